#include "core/string_table.h"

namespace {

struct StringEntry {
    int id;
    const char* english;
    const char* japanese;
};

constexpr StringEntry kStrings[] = {
    {30000, "Warning!", "警告!"},
    {30001, "No feature matching was found.", "特徴点の対応が見つかりませんでした。"},
    {30002, "Canceled.", "キャンセルされました。"},
    {30003, "No memory.", "メモリが不足しています。"},
    {30004, "No overlapping portion.", "重なり合う部分がありません。"},
    {30005, "Set four or more feature areas.", "特徴領域を4つ以上設定してください。"},
    {30006, "Too much distortion.", "歪みが大きすぎます。"},
    {30007, "Something wrong in stitching.", "貼り合わせ処理で問題が発生しました。"},
    {30008, "Stitching: image %d and %d of %d images.", "貼り合わせ中: 画像 %d と %d (全 %d 枚)"},
    {30009, "Blending: image %d of %d images.", "ブレンド中: 画像 %d (全 %d 枚)"},
    {30010, "Processing...", "処理中..."},
    {30011, "Automatic alignment...", "自動位置合わせ中..."},
    {30012, "Making a panorama...", "パノラマを作成中..."},
    {30013, "Cancel", "キャンセル"},
    {30017, "Two images needed.", "画像が2枚必要です。"},
    {30018, "Set two or more feature areas.", "特徴領域を2つ以上設定してください。"},
    {30019, "The scene is too narrow.", "シーンが狭すぎます。"},
    {30020, "No feature matching was found.\nManual feature matching might give a better result.",
     "特徴点の対応が見つかりませんでした。\n手動で特徴点を対応付けると、よりよい結果が得られる場合"
     "があります。"},
    {30021, "Automatic alignment: image %d of %d images.", "自動位置合わせ中: 画像 %d (全 %d 枚)"},
    {30022, "Specify at least one set of feature matching.",
     "特徴点の対応を少なくとも1組指定してください。"},
    {30023, "Getting focal length...", "焦点距離を求めています..."},
    {30024, "The mosaic has too wide view for Big Plane mode, please try Cylinder mode.",
     "画角が広すぎるため平面モードでは作成できません。円筒モードをお試しください。"},
};

} // namespace

std::string BuiltInString(int id, bool japanese) {
    for (const StringEntry& entry : kStrings) {
        if (entry.id == id) return japanese && entry.japanese ? entry.japanese : entry.english;
    }
    return {};
}

std::string FormatIntegers(const std::string& format, std::initializer_list<int> values) {
    std::string out;
    auto next = values.begin();
    for (std::size_t i = 0; i < format.size(); ++i) {
        const char ch = format[i];
        if (ch != '%' || i + 1 >= format.size()) {
            out += ch;
            continue;
        }
        const char conv = format[i + 1];
        if (conv == '%') {
            out += '%';
            ++i;
        } else if ((conv == 'd' || conv == 'i' || conv == 'u') && next != values.end()) {
            out += std::to_string(*next++);
            ++i;
        } else {
            out += ch;
        }
    }
    return out;
}
