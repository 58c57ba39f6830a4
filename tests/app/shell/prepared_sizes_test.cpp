// Placed pictures of mixed sizes are cut to the smallest common size around their centres.
#include <gtest/gtest.h>

#include "image_impl.h"
#include "input_list.h"
#include "prompter.h"
#include "support/scripted_prompter.h"

TEST(PreparedPictures, MixedSizesAreCutAroundTheCentre) {
    ScriptedPrompter prompts;
    InputImageList list;
    // 411 x 300 and 400 x 306; a sample holds its column (blue) and row (green) in the file.
    list.SetProbe([](const std::string& path) {
        const bool wide = path == "/p/wide.bmp";
        return ListedPicture{true, wide ? 411 : 400, wide ? 300 : 306,
                             QImage(100, 75, QImage::Format_RGB32)};
    });
    CImageInfo::SetLoader([](const std::string& path, const PictureCorrection&) {
        const bool wide = path == "/p/wide.bmp";
        const int w = wide ? 411 : 400, h = wide ? 300 : 306;
        auto picture = CImageImpl::Create(w, h, 24, kImageTypeBmp);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                picture->GetRow(y)[3 * x] = static_cast<BYTE>(x);
                picture->GetRow(y)[3 * x + 1] = static_cast<BYTE>(y);
            }
        return picture;
    });
    prompts.Expect(kIdYes); // trim automatically
    ASSERT_EQ(list.AddFiles({"/p/wide.bmp", "/p/tall.bmp"}), 2);
    CAlignDocument document;
    ASSERT_EQ(list.BuildImageInfoList(document), 2);
    // Smallest 400 x 300: the wide one loses (411 - 400) / 2 = 5 columns on the left, the tall
    // one (306 - 300) / 2 = 3 rows on top.
    for (int k = 0; k < 2; ++k) {
        EXPECT_EQ(document.At(k)->Width(), 400);
        EXPECT_EQ(document.At(k)->Height(), 300);
    }
    const CImageImpl* wide = document.At(0)->Picture();
    const CImageImpl* tall = document.At(1)->Picture();
    EXPECT_EQ(wide->GetRow(0)[0], 5);
    EXPECT_EQ(wide->GetRow(0)[1], 0);
    EXPECT_EQ(tall->GetRow(0)[0], 0);
    EXPECT_EQ(tall->GetRow(0)[1], 3);
    EXPECT_EQ(document.At(1)->Rect().left, 400);
    CImageInfo::SetLoader({});
}
