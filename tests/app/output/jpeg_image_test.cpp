// JPEG files: written at quality 100 and read back, grey files. Damaged files are refused by
// the corpus test; a failed read keeps the picture as the picture object test shows.
#include <gtest/gtest.h>

#include <cstdlib>

#include "picture_test_support.h"

namespace {

// At quality 100 every quantiser is 1, so a picture of flat 8 x 8 blocks comes back with only
// the rounding of the colour conversion (at most a couple of levels) as error.
constexpr int kFlatBlockTolerance = 3;

bool Near(Rgb a, Rgb b, int tolerance) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}

TEST(JpegFiles, ColourPictureRoundTripsWithinRoundingTopRowFirst) {
    ScratchDir dir;
    auto picture = CImageImpl::Create(32, 32, 24, kImageTypeJpeg);
    const Rgb colours[2][2] = {{{200, 100, 50}, {10, 220, 30}}, {{250, 250, 250}, {5, 5, 5}}};
    // 16 x 16 blocks so that chroma subsampling never mixes two colours.
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) SetPixel(*picture, x, y, colours[y / 16][x / 16]);
    ASSERT_TRUE(picture->WriteFile(dir.File("c.jpg")));
    auto back = CImageImpl::Open(dir.File("c.jpg"));
    ASSERT_TRUE(back->IsValid());
    EXPECT_EQ(back->GetBitsPerPixel(), 24);
    EXPECT_EQ(back->GetWidth(), 32);
    EXPECT_EQ(back->GetHeight(), 32);
    for (int y : {3, 28})
        for (int x : {3, 20})
            EXPECT_PRED3(Near, PixelAt(*back, x, y), colours[y / 16][x / 16], kFlatBlockTolerance);
}

TEST(JpegFiles, GreyFilesBecomeEightBitWithAGreyRamp) {
    ScratchDir dir;
    const std::string path = dir.File("g.jpg");
    WriteBytes(path, picture_files::JpegBytes(
                         8, 8, 1, [](int, int, int) { return 77; }, 100));
    auto picture = CImageImpl::Open(path);
    ASSERT_TRUE(picture->IsValid());
    EXPECT_EQ(picture->GetBitsPerPixel(), 8);
    const auto palette = picture->ReadPalette();
    ASSERT_EQ(palette.size(), 256u);
    EXPECT_EQ(palette[200].rgbRed, 200);
    EXPECT_EQ(palette[200].rgbBlue, 200);
    EXPECT_NEAR(picture->GetPixelIndex(3, 3), 77, 1);
}

} // namespace
