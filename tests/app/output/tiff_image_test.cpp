// TIFF files: 16-bit samples kept whole through reading and writing, 8-bit files through the
// RGBA interface. Palette pictures are written through RowToRgb, which the BMP and GIF tests
// check.
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

// Grey 16-bit files (black is zero) are read in the crop test.
TEST(TiffFiles, SeparatePlanesAndWhiteIsZero) {
    ScratchDir dir;
    const std::vector<std::uint16_t> rgb{1, 2, 3, 0x1001, 0x2002, 0x3003};
    TIFF* tif = TIFFOpen(dir.File("planes.tif").c_str(), "w");
    ASSERT_TRUE(tif);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 2);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 1);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 16);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_SEPARATE);
    for (int plane = 0; plane < 3; ++plane) {
        std::uint16_t line[2] = {rgb[plane], rgb[3 + plane]};
        TIFFWriteScanline(tif, line, 0, static_cast<std::uint16_t>(plane));
    }
    TIFFClose(tif);
    auto planes = CImageImpl::Open(dir.File("planes.tif"));
    ASSERT_TRUE(planes->Is48Bit());
    EXPECT_EQ(Sample(*planes, 1, 0, 0), 0x1001);
    EXPECT_EQ(Sample(*planes, 1, 0, 2), 0x3003);
    EXPECT_EQ(Sample(*planes, 0, 0, 1), 2);

    WriteTiff16(dir.File("white.tif"), 1, 1, 1, {0x0102}, PHOTOMETRIC_MINISWHITE);
    auto white = CImageImpl::Open(dir.File("white.tif"));
    ASSERT_TRUE(white->Is48Bit());
    EXPECT_EQ(Sample(*white, 0, 0, 0), 0xFEFD); // 65535 - 0x0102
}

// Written files as libtiff reads them: 16-bit RGB and grey keep every bit (grey as one
// sample), 8-bit pictures become RGB with red first.
TEST(TiffFiles, WrittenFilesHoldEverySample) {
    ScratchDir dir;
    std::vector<std::uint16_t> rgb16(5 * 3 * 3);
    for (std::size_t i = 0; i < rgb16.size(); ++i)
        rgb16[i] = static_cast<std::uint16_t>(i * 1777 + 3);
    WriteTiff16(dir.File("rgb16.tif"), 5, 3, 3, rgb16, PHOTOMETRIC_RGB);
    const std::vector<std::uint16_t> grey16{0x0A0B, 0xC0D0};
    WriteTiff16(dir.File("grey16.tif"), 2, 1, 1, grey16, PHOTOMETRIC_MINISBLACK);
    auto rgb8 = CImageImpl::Create(3, 2, 24, kImageTypeTiff);
    std::vector<std::uint16_t> rgb8Samples;
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            const Rgb colour{10 * x + y, 100 + x, 255 - y};
            SetPixel(*rgb8, x, y, colour);
            rgb8Samples.insert(rgb8Samples.end(), {std::uint16_t(colour.r), std::uint16_t(colour.g),
                                                   std::uint16_t(colour.b)});
        }
    const struct {
        std::unique_ptr<CImageImpl> picture;
        std::vector<int> bitsSamplesPhotometric;
        std::vector<std::uint16_t> samples;
    } cases[] = {
        {CImageImpl::Open(dir.File("rgb16.tif")), {16, 3, PHOTOMETRIC_RGB}, rgb16},
        {CImageImpl::Open(dir.File("grey16.tif")), {16, 1, PHOTOMETRIC_MINISBLACK}, grey16},
        {std::move(rgb8), {8, 3, PHOTOMETRIC_RGB}, rgb8Samples},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(c.picture->WriteFile(dir.File("out.tif")));
        TIFF* tif = TIFFOpen(dir.File("out.tif").c_str(), "r");
        ASSERT_TRUE(tif);
        std::uint16_t bits = 0, samples = 0, photometric = 0;
        TIFFGetField(tif, TIFFTAG_BITSPERSAMPLE, &bits);
        TIFFGetField(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
        TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
        EXPECT_EQ((std::vector<int>{bits, samples, photometric}), c.bitsSamplesPhotometric);
        std::vector<std::uint8_t> line(static_cast<std::size_t>(TIFFScanlineSize(tif)));
        std::vector<std::uint16_t> read;
        for (int y = 0; y < c.picture->GetHeight(); ++y) {
            ASSERT_EQ(TIFFReadScanline(tif, line.data(), static_cast<std::uint32_t>(y), 0), 1);
            for (std::size_t i = 0; i < c.picture->GetWidth() * std::size_t{samples}; ++i)
                read.push_back(bits == 16 ? reinterpret_cast<std::uint16_t*>(line.data())[i]
                                          : line[i]);
        }
        TIFFClose(tif);
        EXPECT_EQ(read, c.samples) << bits << " bits, " << samples << " samples";
    }
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
    for (int c = 0; c < 3; ++c) EXPECT_EQ(Sample(*greyCrop, 0, 0, c), 0x4142); // in every channel
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

// JPEG and TIFF report a file they could not open (foreign files are the corpus test's).
TEST(TiffFiles, FilesThatCannotBeOpenedAreReported) {
    PromptRecorder prompts;
    EXPECT_FALSE(CImageImpl::Open("/nonexistent/x.tif")->IsValid());
    EXPECT_FALSE(CImageImpl::Create(2, 2, 24, kImageTypeTiff)->WriteFile("/nonexistent/y.tif"));
    EXPECT_FALSE(CImageImpl::Open("/nonexistent/x.jpg")->IsValid());
    EXPECT_EQ(prompts.texts.size(), 3u);
}

} // namespace
