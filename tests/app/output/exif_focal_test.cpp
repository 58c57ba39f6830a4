// EXIF focal lengths: the arithmetic of the 35 mm equivalent, and the fields read from JPEG
// files (an EXIF block laid out here, in a file made with libjpeg) and TIFF files (made with
// libtiff).
#include <gtest/gtest.h>

#include <tiffio.h>

#include "exif_focal.h"
#include "picture_test_support.h"

namespace {

// A 6000 x 4000 picture from a 24 mm wide sensor: 2500 pixels per cm, 6350 per inch.
// A 16 mm lens on it sees what a 16 x 36 / 24 = 24 mm lens sees on a 35 mm frame.
constexpr double kEquivalent = 24.0;

TEST(ExifFocal, PlainFocalLengthIsScaledBySensorWidth) {
    ExifFocalFields fields;
    fields.focalLengthIn35mmFilm = 0; // zero means "unknown"
    fields.focalLength = 16;
    fields.focalPlaneXResolution = 2500;
    fields.focalPlaneResolutionUnit = 3; // cm
    EXPECT_DOUBLE_EQ(*EquivalentFocalLength(fields, 6000, 4000), kEquivalent);
    EXPECT_DOUBLE_EQ(*EquivalentFocalLength(fields, 4000, 6000), kEquivalent); // portrait
    fields.focalPlaneResolutionUnit.reset();                                   // inch
    fields.focalPlaneXResolution = 6350;
    EXPECT_DOUBLE_EQ(*EquivalentFocalLength(fields, 6000, 4000), kEquivalent);
    fields.focalPlaneResolutionUnit = 4; // mm: 250 pixels per mm
    fields.focalPlaneXResolution = 250;
    EXPECT_DOUBLE_EQ(*EquivalentFocalLength(fields, 6000, 4000), kEquivalent);
    // Recorded pixel dimensions are preferred to the picture's own size.
    fields.pixelXDimension = 6000;
    fields.pixelYDimension = 4000;
    EXPECT_DOUBLE_EQ(*EquivalentFocalLength(fields, 600, 400), kEquivalent);
}

TEST(ExifFocal, UnknownWhenAFieldIsMissingOrMeaningless) {
    ExifFocalFields fields;
    fields.focalLength = 16;
    EXPECT_FALSE(EquivalentFocalLength(fields, 6000, 4000)); // no sensor resolution
    fields.focalPlaneXResolution = 2500;
    fields.focalPlaneResolutionUnit = 1; // no unit
    EXPECT_FALSE(EquivalentFocalLength(fields, 6000, 4000));
}

// An APP1 EXIF block, little-endian: the first directory points to the EXIF directory at
// offset 26, which holds FocalLengthIn35mmFilm 28, FocalLength 160/10 and
// FocalPlaneXResolution 2500/1 (their values at offsets 80 and 88), and the unit 3 (cm).
Bytes ExifBlock() {
    Bytes bytes{'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0};
    AppendLe32(bytes, 8);
    const auto entry = [&](std::uint32_t tag, std::uint32_t type, std::uint32_t value) {
        AppendLe16(bytes, tag);
        AppendLe16(bytes, type);
        AppendLe32(bytes, 1);
        AppendLe32(bytes, value); // a SHORT sits in the first two bytes
    };
    AppendLe16(bytes, 1);
    entry(0x8769, 4, 26);
    AppendLe32(bytes, 0);
    AppendLe16(bytes, 4);
    entry(0x920A, 5, 80);
    entry(0xA20E, 5, 88);
    entry(0xA210, 3, 3);
    entry(0xA405, 3, 28);
    AppendLe32(bytes, 0);
    for (std::uint32_t value : {160u, 10u, 2500u, 1u}) AppendLe32(bytes, value);
    return bytes;
}

TEST(ExifFocalFiles, JpegExifFields) {
    ScratchDir dir;
    WriteBytes(dir.File("a.jpg"),
               picture_files::JpegBytes(
                   8, 8, 3, [](int, int, int) { return 128; }, 100, ExifBlock()));
    const auto fields = ReadExifFocalFields(dir.File("a.jpg"));
    ASSERT_TRUE(fields);
    EXPECT_EQ(fields->focalLengthIn35mmFilm, 28.0);
    EXPECT_EQ(fields->focalLength, 16.0);
    EXPECT_EQ(fields->focalPlaneXResolution, 2500.0);
    EXPECT_EQ(fields->focalPlaneResolutionUnit, 3);
    // The field wins over the 24 mm the others give for 6000 x 4000 pixels.
    EXPECT_EQ(ReadFocalLength35mm(dir.File("a.jpg"), 6000, 4000), 28.0);
}

TEST(ExifFocalFiles, AJpegWithoutExifTellsNothing) {
    ScratchDir dir;
    auto picture = CImageImpl::Create(8, 8, 24, kImageTypeJpeg);
    ASSERT_TRUE(picture->WriteFile(dir.File("plain.jpg")));
    EXPECT_FALSE(ReadFocalLength35mm(dir.File("plain.jpg"), 6000, 4000));
}

// Sets a rational EXIF field in the form libtiff expects for it.
void SetTiffRational(TIFF* tif, std::uint32_t tag, double value) {
    const TIFFField* field = TIFFFieldWithTag(tif, tag);
    ASSERT_NE(field, nullptr);
    if (TIFFFieldSetGetSize(field) == 8)
        TIFFSetField(tif, tag, value);
    else
        TIFFSetField(tif, tag, static_cast<float>(value));
}

void WriteTiffWithExif(const std::string& path) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    ASSERT_TRUE(tif);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 6);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 4);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tif, TIFFTAG_EXIFIFD, std::uint64_t{0});
    std::uint8_t line[6] = {};
    for (int y = 0; y < 4; ++y) TIFFWriteScanline(tif, line, y, 0);
    ASSERT_TRUE(TIFFWriteDirectory(tif));
    ASSERT_EQ(TIFFCreateEXIFDirectory(tif), 0);
    TIFFSetField(tif, EXIFTAG_FOCALLENGTHIN35MMFILM, std::uint16_t{35});
    SetTiffRational(tif, EXIFTAG_FOCALLENGTH, 16.0);
    SetTiffRational(tif, EXIFTAG_FOCALPLANEXRESOLUTION, 2500.0);
    TIFFSetField(tif, EXIFTAG_FOCALPLANERESOLUTIONUNIT, std::uint16_t{3});
    TIFFSetField(tif, EXIFTAG_PIXELXDIMENSION, std::uint32_t{6000});
    TIFFSetField(tif, EXIFTAG_PIXELYDIMENSION, std::uint32_t{4000});
    std::uint64_t exifOffset = 0;
    ASSERT_TRUE(TIFFWriteCustomDirectory(tif, &exifOffset));
    ASSERT_TRUE(TIFFSetDirectory(tif, 0));
    TIFFSetField(tif, TIFFTAG_EXIFIFD, exifOffset);
    ASSERT_TRUE(TIFFRewriteDirectory(tif));
    TIFFClose(tif);
}

TEST(ExifFocalFiles, TiffExifDirectory) {
    ScratchDir dir;
    WriteTiffWithExif(dir.File("a.tif"));
    const auto fields = ReadExifFocalFields(dir.File("a.tif"));
    ASSERT_TRUE(fields);
    EXPECT_EQ(fields->focalLengthIn35mmFilm, 35.0);
    // The rationals may pass through float.
    EXPECT_NEAR(fields->focalLength.value_or(0), 16.0, 1e-4);
    EXPECT_NEAR(fields->focalPlaneXResolution.value_or(0), 2500.0, 1e-4);
    EXPECT_EQ(fields->focalPlaneResolutionUnit, 3);
    EXPECT_EQ(fields->pixelXDimension, 6000);
    EXPECT_EQ(fields->pixelYDimension, 4000);
}

} // namespace
