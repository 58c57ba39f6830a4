// PNG files: written ones as libpng reads them, palette pictures read back, and files made with
// libpng directly: transparency over the background colour, 16-bit samples, grey, interlacing
// (a file without it is read by the same loop in one pass).
#include <gtest/gtest.h>

#include <png.h>

#include <algorithm>
#include <cstdlib>

#include "picture_test_support.h"

namespace {

using picture_files::PngLayout;

TEST(PngFiles, WrittenColoursAreInTheFileInRedGreenBlueOrder) {
    // What other programs see: libpng's own reading of the file gives red first.
    ScratchDir dir;
    auto picture = CImageImpl::Create(1, 2, 24, kImageTypePng);
    SetPixel(*picture, 0, 0, {10, 20, 30});
    SetPixel(*picture, 0, 1, {40, 50, 60});
    ASSERT_TRUE(picture->WriteFile(dir.File("order.png")));
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, dir.File("order.png").c_str()));
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> pixels(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr));
    EXPECT_EQ(pixels, (std::vector<png_byte>{10, 20, 30, 40, 50, 60}));
}

TEST(PngFiles, PalettePicturesKeepIndexesAndColours) {
    ScratchDir dir;
    for (int bits : {1, 4, 8}) {
        auto picture = CImageImpl::Create(9, 2, bits, kImageTypePng);
        std::vector<RGBQUAD> palette(std::size_t{1} << bits, RGBQUAD{0, 0, 0, 0});
        palette[0] = RGBQUAD{1, 2, 3, 0};
        palette.back() = RGBQUAD{200, 150, 100, 0};
        picture->SetPalette(palette);
        picture->SetPixelIndex(0, 0, 1);
        picture->SetPixelIndex(8, 1, (1 << bits) - 1);
        ASSERT_TRUE(picture->WriteFile(dir.File("p.png")));
        auto back = CImageImpl::Open(dir.File("p.png"), kImageTypePng);
        ASSERT_TRUE(back->IsValid()) << bits;
        EXPECT_EQ(back->GetBitsPerPixel(), 8); // indexes are read one per byte
        EXPECT_EQ(back->GetPixelIndex(0, 0), 1);
        EXPECT_EQ(back->GetPixelIndex(8, 1), (1 << bits) - 1);
        EXPECT_EQ(back->GetPixelIndex(1, 0), 0);
        const auto entries = back->ReadPalette();
        ASSERT_EQ(entries.size(), std::size_t{1} << bits);
        EXPECT_EQ(entries[0].rgbRed, 3);
        EXPECT_EQ(entries.back().rgbBlue, 200);
    }
}

TEST(PngFiles, TransparencyAndSixteenBitSamplesBecomeTwentyFourBitRgb) {
    // Transparent pixels are composed over the background colour (31, 127, 255): white at
    // alpha 128 gives 31 + (255 - 31) x 128 / 255 = 143.4 and so on (one level of rounding
    // either way is allowed). 16-bit samples keep their high byte.
    ScratchDir dir;
    struct Case {
        const char* name;
        PngLayout layout;
        std::vector<Rgb> row; // the first row read back
        int tolerance;        // in every channel
    };
    PngLayout alpha, palette, greyAlpha, deep;
    alpha.width = 3;
    alpha.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
    alpha.rows = {{255, 0, 0, 0, /*opaque*/ 1, 2, 3, 255, /*half*/ 255, 255, 255, 128}};
    palette.width = 2;
    palette.colorType = PNG_COLOR_TYPE_PALETTE;
    palette.palette = {{9, 8, 7}, {100, 110, 120}};
    palette.trns = {0, 255};
    palette.rows = {{0, 1}};
    greyAlpha.width = 2;
    greyAlpha.colorType = PNG_COLOR_TYPE_GRAY_ALPHA;
    greyAlpha.rows = {{50, 0, 60, 255}};
    deep.bitDepth = 16;
    deep.rows = {{0x12, 0xAB, 0xFE, 0x01, 0x00, 0xFF}}; // red 0x12AB, green 0xFE01, blue 0x00FF
    const Case cases[] = {
        {"alpha", alpha, {{31, 127, 255}, {1, 2, 3}, {143, 191, 255}}, 1},
        {"palette transparency", palette, {{31, 127, 255}, {100, 110, 120}}, 0},
        {"grey and alpha", greyAlpha, {{31, 127, 255}, {60, 60, 60}}, 0},
        {"16 bits", deep, {{0x12, 0xFE, 0x00}}, 0},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(picture_files::WritePng(dir.File("p.png"), c.layout));
        auto picture = CImageImpl::Open(dir.File("p.png"), kImageTypePng);
        ASSERT_TRUE(picture->IsValid()) << c.name;
        EXPECT_EQ(picture->GetBitsPerPixel(), 24) << c.name;
        EXPECT_FALSE(picture->Is48Bit()) << c.name;
        for (int x = 0; x < static_cast<int>(c.row.size()); ++x) {
            const Rgb got = PixelAt(*picture, x, 0), want = c.row[x];
            EXPECT_LE(std::max({std::abs(got.r - want.r), std::abs(got.g - want.g),
                                std::abs(got.b - want.b)}),
                      c.tolerance)
                << c.name << " " << x << ": " << got;
        }
    }
}

TEST(PngFiles, GreyFilesBecomeEightBitGreyRamps) {
    ScratchDir dir;
    PngLayout layout;
    layout.width = 4;
    layout.bitDepth = 2;
    layout.colorType = PNG_COLOR_TYPE_GRAY;
    layout.rows = {{0b00011011}}; // levels 0, 1, 2, 3 of 3
    ASSERT_TRUE(picture_files::WritePng(dir.File("grey2.png"), layout));
    auto picture = CImageImpl::Open(dir.File("grey2.png"), kImageTypePng);
    ASSERT_TRUE(picture->IsValid());
    ASSERT_EQ(picture->GetBitsPerPixel(), 8);
    EXPECT_EQ(picture->GetPixelIndex(0, 0), 0);
    EXPECT_EQ(picture->GetPixelIndex(1, 0), 85); // 1/3 of 255
    EXPECT_EQ(picture->GetPixelIndex(3, 0), 255);
    EXPECT_EQ(picture->ReadPalette()[85].rgbGreen, 85);
}

TEST(PngFiles, InterlacedFilesReadInFull) {
    ScratchDir dir;
    PngLayout layout;
    layout.width = 9;
    layout.height = 9;
    layout.interlaced = true;
    for (int y = 0; y < 9; ++y) {
        std::vector<png_byte> row;
        for (int x = 0; x < 9; ++x) {
            row.push_back(static_cast<png_byte>(x * 20));
            row.push_back(static_cast<png_byte>(y * 20));
            row.push_back(static_cast<png_byte>(x + y));
        }
        layout.rows.push_back(row);
    }
    ASSERT_TRUE(picture_files::WritePng(dir.File("adam7.png"), layout));
    auto picture = CImageImpl::Open(dir.File("adam7.png"), kImageTypePng);
    ASSERT_TRUE(picture->IsValid());
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 9; ++x)
            ASSERT_EQ(PixelAt(*picture, x, y), (Rgb{x * 20, y * 20, x + y})) << x << "," << y;
}

} // namespace
