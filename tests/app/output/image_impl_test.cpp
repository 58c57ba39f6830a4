// The picture object: file types, creation, pixel access, palettes, crops, thumbnails.
#include <gtest/gtest.h>
#include <tiffio.h>

#include "picture_test_support.h"

namespace {

TEST(PictureTypes, TheLastExtensionChoosesTheTypeInAnyCase) {
    EXPECT_EQ(CImageImpl::TypeFromExtension("dir.v2/a.JPG"), kImageTypeJpeg);
    EXPECT_EQ(CImageImpl::TypeFromExtension("a.bmp.bak"), kImageTypeNone);
    EXPECT_EQ(CImageImpl::TypeFromExtension("c.jpeg"), kImageTypeNone); // saving knows it, Open not
    // A type without a reader never reads nor writes (a BMP file named without a known type).
    ScratchDir dir;
    ASSERT_TRUE(CImageImpl::Create(2, 2, 24, kImageTypeBmp)->WriteFile(dir.File("p.png")));
    EXPECT_FALSE(CImageImpl::Open(dir.File("p.png"), kImageTypeXpm)->IsValid());
    EXPECT_FALSE(CImageImpl::Create(2, 2, 24, kImageTypeXpm)->WriteFile(dir.File("q.bmp")));
}

TEST(PictureObject, CreateMakesBottomUpPaddedRowsAndRefusesBadSizesAndDepths) {
    auto picture = CImageImpl::Create(5, 3, 24, kImageTypeBmp);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->GetStride(), 16u);                   // 15 bytes padded to 16
    EXPECT_EQ(picture->GetRow(0), picture->GetBits() + 32); // the top row is the last in memory
    EXPECT_FALSE(CImageImpl::Create(0, 5, 24, kImageTypeBmp));
    EXPECT_FALSE(CImageImpl::Create(100001, 1, 24, kImageTypeBmp));
    EXPECT_FALSE(CImageImpl::Create(4, 4, 16, kImageTypeBmp));
    EXPECT_TRUE(CImageImpl::Create(100000, 1, 1, kImageTypeBmp));
}

TEST(PictureObject, PixelIndexesPackMostSignificantBitsFirst) {
    auto one = CImageImpl::Create(10, 2, 1, kImageTypeBmp);
    ASSERT_TRUE(one->SetPixelIndex(0, 0, 1));
    ASSERT_TRUE(one->SetPixelIndex(9, 0, 1));
    ASSERT_TRUE(one->SetPixelIndex(2, 1, 1));
    const BYTE* top = one->GetBits() + 4; // stride 4, top row last
    EXPECT_EQ(top[0], 0x80);
    EXPECT_EQ(top[1], 0x40);
    EXPECT_EQ(one->GetBits()[0], 0x20);
    EXPECT_EQ(one->GetPixelIndex(9, 0), 1);
    EXPECT_EQ(one->GetPixelIndex(8, 0), 0);
    EXPECT_FALSE(one->SetPixelIndex(1, 0, 2)); // not a 1-bit index
    EXPECT_EQ(one->GetPixelIndex(10, 0), CImageImpl::kOutside);

    auto four = CImageImpl::Create(3, 1, 4, kImageTypeBmp);
    four->SetPixelIndex(0, 0, 0xA);
    four->SetPixelIndex(1, 0, 0x5);
    four->SetPixelIndex(2, 0, 0xF);
    EXPECT_EQ(four->GetBits()[0], 0xA5);
    EXPECT_EQ(four->GetBits()[1], 0xF0);
    EXPECT_EQ(four->GetPixelIndex(1, 0), 5);
}

TEST(PictureCrop, CutsRowsFromTheTopNamesTheCropAndRefusesRectanglesOutside) {
    auto picture = CImageImpl::Create(4, 3, 24, kImageTypeBmp);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) SetPixel(*picture, x, y, {x, y, 10 * x + y});
    picture->SetFileName("/photos/beach.bmp");
    auto crop = picture->Crop(1, 1, 4, 3);
    ASSERT_TRUE(crop);
    EXPECT_EQ(crop->GetWidth(), 3);
    EXPECT_EQ(crop->GetHeight(), 2);
    EXPECT_EQ(crop->GetFileName(), "/photos/beach.bmp (Trimmed)");
    EXPECT_EQ(PixelAt(*crop, 0, 0), (Rgb{1, 1, 11}));
    EXPECT_EQ(PixelAt(*crop, 2, 1), (Rgb{3, 2, 32}));
    EXPECT_FALSE(picture->Crop(0, 0, 5, 2)); // wider than the picture
    EXPECT_FALSE(picture->Crop(2, 0, 2, 2)); // empty
}

TEST(PictureCrop, FourBitCropsShiftNibblesAndKeepThePalette) {
    auto picture = CImageImpl::Create(5, 1, 4, kImageTypeBmp);
    for (int x = 0; x < 5; ++x) picture->SetPixelIndex(x, 0, x + 1);
    const std::vector<RGBQUAD> palette(16, RGBQUAD{7, 7, 7, 0});
    picture->SetPalette(palette);
    auto crop = picture->Crop(1, 0, 4, 1);
    ASSERT_TRUE(crop);
    EXPECT_EQ(crop->GetBits()[0], 0x23);
    EXPECT_EQ(crop->GetBits()[1], 0x40);
    EXPECT_TRUE(crop->HasPalette());
}

// Thumbnail pixel values below are area means worked out by hand from the test patterns.
TEST(PictureThumbnail, KeepsTheAspectAndAveragesBlocks) {
    auto picture = CImageImpl::Create(200, 100, 24, kImageTypeBmp);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x)
            SetPixel(*picture, x, y, x < 100 ? Rgb{255, 0, 0} : Rgb{0, 0, 255});
    // A 2 x 2 checker of light and dark greys inside the red half averages to mid grey.
    SetPixel(*picture, 0, 0, {100, 100, 100});
    SetPixel(*picture, 1, 0, {200, 200, 200});
    SetPixel(*picture, 0, 1, {50, 50, 50});
    SetPixel(*picture, 1, 1, {150, 150, 150});
    auto thumb = picture->MakeThumbnail();
    ASSERT_TRUE(thumb);
    EXPECT_EQ(thumb->GetWidth(), 100);
    EXPECT_EQ(thumb->GetHeight(), 50);
    EXPECT_EQ(PixelAt(*thumb, 0, 0), (Rgb{125, 125, 125}));
    EXPECT_EQ(PixelAt(*thumb, 49, 10), (Rgb{255, 0, 0}));
    EXPECT_EQ(PixelAt(*thumb, 50, 10), (Rgb{0, 0, 255}));
}

TEST(PictureThumbnail, FractionalRatiosWeighPartlyCoveredPixels) {
    // 150 -> 100: each thumbnail column covers 1.5 source columns. Even source columns are 90,
    // odd ones 0. Column 0 covers [0, 1.5): (90 x 1 + 0 x 0.5) / 1.5 = 60; column 1 covers
    // [1.5, 3): (0 x 0.5 + 90 x 1) / 1.5 = 60; column 2 covers [3, 4.5): (0 + 90 x 0.5) / 1.5 = 30;
    // column 3 covers [4.5, 6): (90 x 0.5 + 0) / 1.5 = 30; and so on every 4 columns.
    auto picture = CImageImpl::Create(150, 150, 24, kImageTypeBmp);
    for (int y = 0; y < 150; ++y)
        for (int x = 0; x < 150; ++x) {
            const int v = x % 2 == 0 ? 90 : 0;
            SetPixel(*picture, x, y, {v, v, v});
        }
    auto thumb = picture->MakeThumbnail();
    ASSERT_EQ(thumb->GetWidth(), 100);
    for (int x = 0; x < 100; ++x) {
        const int v = x % 4 < 2 ? 60 : 30;
        EXPECT_EQ(PixelAt(*thumb, x, 7), (Rgb{v, v, v})) << "column " << x;
    }
}

TEST(PictureThumbnail, SmallPicturesAreEnlargedPixelForPixel) {
    auto picture = CImageImpl::Create(50, 20, 8, kImageTypeBmp);
    std::vector<RGBQUAD> palette(256, RGBQUAD{0, 0, 0, 0});
    palette[3] = RGBQUAD{30, 20, 10, 0};
    picture->SetPalette(palette);
    picture->SetPixelIndex(7, 4, 3);
    auto thumb = picture->MakeThumbnail();
    ASSERT_EQ(thumb->GetWidth(), 100);
    ASSERT_EQ(thumb->GetHeight(), 40);
    for (int y : {8, 9})
        for (int x : {14, 15}) EXPECT_EQ(PixelAt(*thumb, x, y), (Rgb{10, 20, 30}));
    EXPECT_EQ(PixelAt(*thumb, 16, 8), (Rgb{0, 0, 0}));
}

TEST(PictureThumbnail, FortyEightBitPicturesUseTheirLowBytes) {
    // A uniform sample of 100 x 256 + 200 is 100.78 on the 8-bit scale: the thumbnail shows 101
    // where the high bytes alone would give 100.
    ScratchDir dir;
    WriteTiff16(dir.File("deep.tif"), 4, 4, 3, std::vector<std::uint16_t>(48, 100 * 256 + 200),
                PHOTOMETRIC_RGB);
    auto deep = CImageImpl::Open(dir.File("deep.tif"));
    ASSERT_TRUE(deep->Is48Bit());
    auto thumb = deep->MakeThumbnail();
    EXPECT_EQ(PixelAt(*thumb, 0, 0), (Rgb{101, 101, 101}));
}

TEST(PictureObject, ReadFailureKeepsThePicture) {
    ScratchDir dir;
    auto picture = CImageImpl::Create(3, 2, 24, kImageTypeBmp);
    ASSERT_TRUE(picture->WriteFile(dir.File("good.bmp")));
    WriteBytes(dir.File("bad.bmp"), {'B', 'M', 1, 2, 3});
    auto reader = CImageImpl::New(kImageTypeBmp);
    ASSERT_TRUE(reader->ReadFile(dir.File("good.bmp")));
    EXPECT_FALSE(reader->ReadFile(dir.File("bad.bmp")));
    EXPECT_EQ(reader->GetWidth(), 3);
    EXPECT_EQ(reader->GetHeight(), 2);
    EXPECT_NE(reader->GetBits(), nullptr);
}

} // namespace
