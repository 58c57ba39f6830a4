// JPEG files: written at quality 100 and read back, grey files, failures.
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

TEST(JpegFiles, PalettePicturesAreWrittenThroughTheirPalette) {
    ScratchDir dir;
    auto picture = CImageImpl::Create(16, 16, 8, kImageTypeJpeg);
    std::vector<RGBQUAD> palette(256, RGBQUAD{0, 0, 0, 0});
    palette[9] = RGBQUAD{40, 160, 220, 0}; // blue, green, red
    picture->SetPalette(palette);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) picture->SetPixelIndex(x, y, 9);
    ASSERT_TRUE(picture->WriteFile(dir.File("p.jpg")));
    auto back = CImageImpl::Open(dir.File("p.jpg"));
    ASSERT_TRUE(back->IsValid());
    EXPECT_PRED3(Near, PixelAt(*back, 5, 5), (Rgb{220, 160, 40}), kFlatBlockTolerance);
}

TEST(JpegFiles, GreyFilesBecomeEightBitWithAGreyRamp) {
    ScratchDir dir;
    const std::string path = dir.File("g.jpg");
    WriteJpeg8x8(path, true, 77);
    auto picture = CImageImpl::Open(path);
    ASSERT_TRUE(picture->IsValid());
    EXPECT_EQ(picture->GetBitsPerPixel(), 8);
    const auto palette = picture->ReadPalette();
    ASSERT_EQ(palette.size(), 256u);
    EXPECT_EQ(palette[200].rgbRed, 200);
    EXPECT_EQ(palette[200].rgbBlue, 200);
    EXPECT_NEAR(picture->GetPixelIndex(3, 3), 77, 1);
}

TEST(JpegFiles, MissingFileShowsCantOpen) {
    PromptRecorder prompts;
    auto picture = CImageImpl::Open("/nonexistent/x.jpg");
    EXPECT_FALSE(picture->IsValid());
    ASSERT_EQ(prompts.texts.size(), 1u);
    EXPECT_EQ(prompts.texts[0], "can't open /nonexistent/x.jpg\n");
}

TEST(JpegFiles, TruncatedFileFailsAndKeepsThePicture) {
    ScratchDir dir;
    auto picture = CImageImpl::Create(64, 64, 24, kImageTypeJpeg);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) SetPixel(*picture, x, y, {x * 4, y * 4, (x ^ y) * 4});
    ASSERT_TRUE(picture->WriteFile(dir.File("full.jpg")));
    Bytes bytes = ReadBytes(dir.File("full.jpg"));
    bytes.resize(bytes.size() / 2);
    WriteBytes(dir.File("half.jpg"), bytes);
    auto reader = CImageImpl::Create(3, 3, 24, kImageTypeJpeg);
    EXPECT_FALSE(reader->ReadFile(dir.File("half.jpg")));
    EXPECT_EQ(reader->GetWidth(), 3);
    EXPECT_FALSE(CImageImpl::Open(dir.File("half.jpg"))->IsValid());
}

} // namespace
