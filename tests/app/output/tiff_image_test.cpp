// TIFF files: 16-bit samples kept whole through reading and writing, written tags, 8-bit
// files through the RGBA interface.
#include <gtest/gtest.h>

#include <tiffio.h>

#include "picture_test_support.h"

namespace {

std::uint16_t Sample(const CImageImpl& picture, int x, int y, int channel) {
    // Channel 0 red, 1 green, 2 blue; both planes store blue, green, red.
    const int byte = 3 * x + 2 - channel;
    return static_cast<std::uint16_t>((picture.GetRow(y)[byte] << 8) |
                                      picture.GetLowerRow(y)[byte]);
}

TEST(TiffFiles, SixteenBitRgbIsReadIntoBothPlanes) {
    ScratchDir dir;
    const std::vector<std::uint16_t> values{0x1234, 0xABCD, 0x00FF, 0xFF00, 0x0001, 0xFFFF,
                                            0x8000, 0x7FFF, 0x0100, 0x4321, 0xDCBA, 0x5A5A};
    WriteTiff16(dir.File("rgb.tif"), 2, 2, 3, values, PHOTOMETRIC_RGB);
    auto picture = CImageImpl::Open(dir.File("rgb.tif"));
    ASSERT_TRUE(picture->IsValid());
    ASSERT_TRUE(picture->Is48Bit());
    EXPECT_FALSE(picture->IsGrey16());
    EXPECT_EQ(picture->GetBitsPerPixel(), 24);
    // The picture holds the high bytes: pixel (0, 0) is red 0x12, green 0xAB, blue 0x00.
    EXPECT_EQ(PixelAt(*picture, 0, 0), (Rgb{0x12, 0xAB, 0x00}));
    EXPECT_EQ(picture->GetLowerRow(0)[0], 0xFF); // blue's low byte
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x)
            for (int c = 0; c < 3; ++c)
                EXPECT_EQ(Sample(*picture, x, y, c), values[(y * 2 + x) * 3 + c]);
}

TEST(TiffFiles, SeparatePlanesAndGreyAndWhiteIsZero) {
    ScratchDir dir;
    const std::vector<std::uint16_t> rgb{1, 2, 3, 0x1001, 0x2002, 0x3003};
    WriteTiff16(dir.File("planes.tif"), 2, 1, 3, rgb, PHOTOMETRIC_RGB, PLANARCONFIG_SEPARATE);
    auto planes = CImageImpl::Open(dir.File("planes.tif"));
    ASSERT_TRUE(planes->Is48Bit());
    EXPECT_EQ(Sample(*planes, 1, 0, 0), 0x1001);
    EXPECT_EQ(Sample(*planes, 1, 0, 2), 0x3003);
    EXPECT_EQ(Sample(*planes, 0, 0, 1), 2);

    WriteTiff16(dir.File("grey.tif"), 3, 1, 1, {0x0102, 0xFEDC, 0x8080}, PHOTOMETRIC_MINISBLACK);
    auto grey = CImageImpl::Open(dir.File("grey.tif"));
    ASSERT_TRUE(grey->Is48Bit());
    EXPECT_TRUE(grey->IsGrey16());
    for (int c = 0; c < 3; ++c) EXPECT_EQ(Sample(*grey, 1, 0, c), 0xFEDC);

    WriteTiff16(dir.File("white.tif"), 1, 1, 1, {0x0102}, PHOTOMETRIC_MINISWHITE);
    auto white = CImageImpl::Open(dir.File("white.tif"));
    ASSERT_TRUE(white->Is48Bit());
    EXPECT_EQ(Sample(*white, 0, 0, 0), 0xFEFD); // 65535 - 0x0102
}

TEST(TiffFiles, SixteenBitRgbWrittenAgainKeepsEveryBitAndTheTags) {
    ScratchDir dir;
    std::vector<std::uint16_t> values(5 * 3 * 3);
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = static_cast<std::uint16_t>(i * 1777 + 3);
    WriteTiff16(dir.File("in.tif"), 5, 3, 3, values, PHOTOMETRIC_RGB);
    auto picture = CImageImpl::Open(dir.File("in.tif"));
    ASSERT_TRUE(picture->Is48Bit());
    ASSERT_TRUE(picture->WriteFile(dir.File("out.tif")));

    TIFF* tif = TIFFOpen(dir.File("out.tif").c_str(), "r");
    ASSERT_TRUE(tif);
    const auto tag = [&](ttag_t t) {
        std::uint16_t v = 7;
        TIFFGetField(tif, t, &v);
        return int{v};
    };
    EXPECT_EQ((std::vector<int>{tag(TIFFTAG_BITSPERSAMPLE), tag(TIFFTAG_SAMPLESPERPIXEL),
                                tag(TIFFTAG_PHOTOMETRIC), tag(TIFFTAG_COMPRESSION),
                                tag(TIFFTAG_MAXSAMPLEVALUE), tag(TIFFTAG_MINSAMPLEVALUE),
                                tag(TIFFTAG_PLANARCONFIG), tag(TIFFTAG_ORIENTATION)}),
              (std::vector<int>{16, 3, PHOTOMETRIC_RGB, COMPRESSION_NONE, 65535, 0,
                                PLANARCONFIG_CONTIG, ORIENTATION_TOPLEFT}));
    std::uint32_t rowsPerStrip = 0;
    char* description = nullptr;
    TIFFGetField(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    TIFFGetField(tif, TIFFTAG_IMAGEDESCRIPTION, &description);
    EXPECT_EQ(rowsPerStrip, 3u);
    ASSERT_NE(description, nullptr);
    EXPECT_EQ(std::string(description), dir.File("out.tif"));
    std::vector<std::uint16_t> line(15);
    for (int y = 0; y < 3; ++y) {
        ASSERT_EQ(TIFFReadScanline(tif, line.data(), y, 0), 1);
        for (int i = 0; i < 15; ++i) EXPECT_EQ(line[i], values[y * 15 + i]) << y << " " << i;
    }
    TIFFClose(tif);
}

TEST(TiffFiles, CropsOfFortyEightBitPicturesCutBothPlanes) {
    ScratchDir dir;
    std::vector<std::uint16_t> values(4 * 3 * 3);
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = static_cast<std::uint16_t>(0x0101 * i + 0x10);
    WriteTiff16(dir.File("deep.tif"), 4, 3, 3, values, PHOTOMETRIC_RGB);
    auto picture = CImageImpl::Open(dir.File("deep.tif"));
    ASSERT_TRUE(picture->Is48Bit());
    auto crop = picture->Crop(1, 1, 3, 3);
    ASSERT_TRUE(crop);
    ASSERT_TRUE(crop->Is48Bit());
    EXPECT_EQ(crop->GetFileName(), dir.File("deep.tif") + " (Trimmed)");
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x)
            for (int c = 0; c < 3; ++c)
                EXPECT_EQ(Sample(*crop, x, y, c), values[((y + 1) * 4 + x + 1) * 3 + c]);

    WriteTiff16(dir.File("grey.tif"), 2, 2, 1, {1, 2, 3, 0x4142}, PHOTOMETRIC_MINISBLACK);
    auto greyCrop = CImageImpl::Open(dir.File("grey.tif"))->Crop(1, 1, 2, 2);
    ASSERT_TRUE(greyCrop);
    EXPECT_TRUE(greyCrop->IsGrey16());
    EXPECT_EQ(Sample(*greyCrop, 0, 0, 0), 0x4142);
}

TEST(TiffFiles, GreySixteenIsWrittenAsOneSample) {
    ScratchDir dir;
    WriteTiff16(dir.File("g.tif"), 2, 1, 1, {0x0A0B, 0xC0D0}, PHOTOMETRIC_MINISBLACK);
    auto picture = CImageImpl::Open(dir.File("g.tif"));
    ASSERT_TRUE(picture->WriteFile(dir.File("g2.tif")));
    TIFF* tif = TIFFOpen(dir.File("g2.tif").c_str(), "r");
    ASSERT_TRUE(tif);
    std::uint16_t samples = 0, photometric = 9, bits = 0;
    TIFFGetField(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
    TIFFGetField(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    EXPECT_EQ(samples, 1);
    EXPECT_EQ(photometric, PHOTOMETRIC_MINISBLACK);
    EXPECT_EQ(bits, 16);
    std::uint16_t line[2] = {};
    ASSERT_EQ(TIFFReadScanline(tif, line, 0, 0), 1);
    EXPECT_EQ(line[0], 0x0A0B);
    EXPECT_EQ(line[1], 0xC0D0);
    TIFFClose(tif);
}

TEST(TiffFiles, EightBitPicturesAreWrittenAndReadAsRgb) {
    ScratchDir dir;
    auto picture = CImageImpl::Create(3, 2, 24, kImageTypeTiff);
    SetPixel(*picture, 0, 0, {255, 0, 0});
    SetPixel(*picture, 2, 1, {1, 2, 3});
    ASSERT_TRUE(picture->WriteFile(dir.File("rgb8.tif")));
    TIFF* tif = TIFFOpen(dir.File("rgb8.tif").c_str(), "r");
    ASSERT_TRUE(tif);
    std::uint16_t bits = 0, maxValue = 0;
    TIFFGetField(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetField(tif, TIFFTAG_MAXSAMPLEVALUE, &maxValue);
    EXPECT_EQ(bits, 8);
    EXPECT_EQ(maxValue, 255);
    std::uint8_t line[9] = {};
    ASSERT_EQ(TIFFReadScanline(tif, line, 0, 0), 1);
    EXPECT_EQ(line[0], 255); // red first
    EXPECT_EQ(line[1], 0);
    TIFFClose(tif);

    auto back = CImageImpl::Open(dir.File("rgb8.tif"));
    ASSERT_TRUE(back->IsValid());
    EXPECT_FALSE(back->Is48Bit());
    EXPECT_EQ(PixelAt(*back, 0, 0), (Rgb{255, 0, 0}));
    EXPECT_EQ(PixelAt(*back, 2, 1), (Rgb{1, 2, 3}));

    // An 8-bit palette picture is written through its palette.
    auto indexed = CImageImpl::Create(1, 1, 8, kImageTypeTiff);
    std::vector<RGBQUAD> palette(256, RGBQUAD{0, 0, 0, 0});
    palette[0] = RGBQUAD{30, 20, 10, 0};
    indexed->SetPalette(palette);
    ASSERT_TRUE(indexed->WriteFile(dir.File("indexed.tif")));
    EXPECT_EQ(PixelAt(*CImageImpl::Open(dir.File("indexed.tif")), 0, 0), (Rgb{10, 20, 30}));
}

TEST(TiffFiles, GreyEightBitFilesBecomeTwentyFourBit) {
    ScratchDir dir;
    ASSERT_TRUE(picture_files::WriteTiff(dir.File("g8.tif"), 2, 1, 1, 8, PHOTOMETRIC_MINISBLACK,
                                         [](int x, int, int) { return x == 0 ? 17 : 240; }));
    auto picture = CImageImpl::Open(dir.File("g8.tif"));
    ASSERT_TRUE(picture->IsValid());
    EXPECT_EQ(picture->GetBitsPerPixel(), 24);
    EXPECT_EQ(PixelAt(*picture, 1, 0), (Rgb{240, 240, 240}));
}

TEST(TiffFiles, FailuresShowCantOpen) {
    ScratchDir dir;
    PromptRecorder prompts;
    EXPECT_FALSE(CImageImpl::Open(dir.File("missing.tif"))->IsValid());
    WriteBytes(dir.File("text.tif"), {'h', 'e', 'l', 'l', 'o', '\n'});
    EXPECT_FALSE(CImageImpl::Open(dir.File("text.tif"))->IsValid());
    auto picture = CImageImpl::Create(2, 2, 24, kImageTypeTiff);
    EXPECT_FALSE(picture->WriteFile("/nonexistent/dir/x.tif"));
    ASSERT_EQ(prompts.texts.size(), 3u);
    EXPECT_EQ(prompts.texts[1], "can't open " + dir.File("text.tif")); // the file is named
}

} // namespace
