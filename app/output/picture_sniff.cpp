#include "picture_sniff.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <string_view>

#include "picture_io.h"

namespace {

struct Signature {
    std::string_view bytes;
    int type;
};

constexpr std::array<Signature, 7> kSignatures{{
    {std::string_view("\x89PNG\r\n\x1A\n", 8), kImageTypePng},
    {std::string_view("GIF87a", 6), kImageTypeGif},
    {std::string_view("GIF89a", 6), kImageTypeGif},
    {std::string_view("II*\0", 4), kImageTypeTiff},
    {std::string_view("MM\0*", 4), kImageTypeTiff},
    {std::string_view("\xFF\xD8\xFF", 3), kImageTypeJpeg},
    {std::string_view("BM", 2), kImageTypeBmp},
}};

struct Extension {
    std::string_view name;
    int type;
};

constexpr std::array<Extension, 8> kExtensions{{
    {"jpg", kImageTypeJpeg},
    {"jpeg", kImageTypeJpeg},
    {"bmp", kImageTypeBmp},
    {"rle", kImageTypeBmp},
    {"tif", kImageTypeTiff},
    {"tiff", kImageTypeTiff},
    {"png", kImageTypePng},
    {"gif", kImageTypeGif},
}};

int TypeOfExtension(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return kImageTypeNone;
    }
    std::string extension = path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const Extension& known : kExtensions) {
        if (known.name == extension) return known.type;
    }
    return kImageTypeNone;
}

} // namespace

int PictureTypeOfBytes(const unsigned char* bytes, std::size_t count, const std::string& path) {
    for (const Signature& signature : kSignatures) {
        if (count < signature.bytes.size()) continue;
        if (std::memcmp(bytes, signature.bytes.data(), signature.bytes.size()) == 0) {
            return signature.type;
        }
    }
    return TypeOfExtension(path);
}

int PictureTypeOfFile(const std::string& path) {
    FilePtr file = OpenFile(path, "rb");
    if (!file) return kImageTypeNone;
    unsigned char head[8] = {};
    const std::size_t count = std::fread(head, 1, sizeof head, file.get());
    if (std::ferror(file.get())) return kImageTypeNone;
    return PictureTypeOfBytes(head, count, path);
}
