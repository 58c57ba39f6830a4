// EXIF focal lengths: the arithmetic of the 35 mm equivalent, and the fields read from JPEG
// files (made with libexif and libjpeg) and TIFF files (made with libtiff).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include <libexif/exif-data.h>
#include <tiffio.h>

#include "exif_focal.h"
#include "picture_test_support.h"

namespace {

// A 6000 x 4000 picture from a 24 mm wide sensor: 2500 pixels per cm, 6350 per inch.
// A 16 mm lens on it sees what a 16 x 36 / 24 = 24 mm lens sees on a 35 mm frame.
constexpr double kEquivalent = 24.0;

TEST(ExifFocal, ThirtyFiveMillimetreFieldWins) {
    ExifFocalFields fields;
    fields.focalLengthIn35mmFilm = 28;
    fields.focalLength = 5;
    fields.focalPlaneXResolution = 1000;
    EXPECT_EQ(EquivalentFocalLength(fields, 100, 100), 28.0);
    fields.focalLengthIn35mmFilm = 0; // zero means "unknown"
    EXPECT_NE(EquivalentFocalLength(fields, 6000, 4000), 0.0);
}

TEST(ExifFocal, PlainFocalLengthIsScaledBySensorWidth) {
    ExifFocalFields fields;
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
    EXPECT_FALSE(EquivalentFocalLength(fields, 6000, 4000));
    fields.focalLength = 16;
    EXPECT_FALSE(EquivalentFocalLength(fields, 6000, 4000)); // no sensor resolution
    fields.focalPlaneXResolution = 2500;
    fields.focalPlaneResolutionUnit = 1; // no unit
    EXPECT_FALSE(EquivalentFocalLength(fields, 6000, 4000));
    fields.focalPlaneResolutionUnit = 3;
    EXPECT_FALSE(EquivalentFocalLength(fields, 0, 0)); // no size to measure the sensor with
}

// Empty EXIF data whose entries are stored little-endian (the order is set before any entry
// is added, since changing it later converts the entries).
ExifData* NewIntelExif() {
    ExifData* exif = exif_data_new();
    exif_data_set_byte_order(exif, EXIF_BYTE_ORDER_INTEL);
    return exif;
}

// Adds one entry of `format` with `bytes` of data to an IFD of `data`.
void AddEntry(ExifData* data, ExifIfd ifd, ExifTag tag, ExifFormat format, unsigned components,
              const void* value, std::size_t bytes) {
    ExifMem* mem = exif_mem_new_default();
    ExifEntry* entry = exif_entry_new_mem(mem);
    entry->data = static_cast<unsigned char*>(exif_mem_alloc(mem, static_cast<ExifLong>(bytes)));
    std::memcpy(entry->data, value, bytes);
    entry->size = static_cast<unsigned>(bytes);
    entry->tag = tag;
    entry->format = format;
    entry->components = components;
    exif_content_add_entry(data->ifd[ifd], entry);
    exif_mem_unref(mem);
    exif_entry_unref(entry);
}

void AddRational(ExifData* data, ExifTag tag, std::uint32_t numerator, std::uint32_t denominator) {
    unsigned char bytes[8];
    exif_set_rational(bytes, EXIF_BYTE_ORDER_INTEL, ExifRational{numerator, denominator});
    AddEntry(data, EXIF_IFD_EXIF, tag, EXIF_FORMAT_RATIONAL, 1, bytes, 8);
}

void AddShort(ExifData* data, ExifTag tag, std::uint16_t value) {
    unsigned char bytes[2];
    exif_set_short(bytes, EXIF_BYTE_ORDER_INTEL, value);
    AddEntry(data, EXIF_IFD_EXIF, tag, EXIF_FORMAT_SHORT, 1, bytes, 2);
}

// An 8 x 8 JPEG carrying the EXIF data in an APP1 marker.
void WriteJpegWithExif(const std::string& path, ExifData* exif) {
    unsigned char* block = nullptr;
    unsigned int blockSize = 0;
    exif_data_save_data(exif, &block, &blockSize);
    ASSERT_NE(block, nullptr);
    WriteBytes(path, picture_files::JpegBytes(
                         8, 8, 3, [](int, int, int) { return 128; }, 100,
                         Bytes(block, block + blockSize)));
    std::free(block);
}

TEST(ExifFocalFiles, JpegExifFields) {
    ScratchDir dir;
    ExifData* exif = NewIntelExif();
    AddShort(exif, EXIF_TAG_FOCAL_LENGTH_IN_35MM_FILM, 28);
    AddRational(exif, EXIF_TAG_FOCAL_LENGTH, 160, 10);
    AddRational(exif, EXIF_TAG_FOCAL_PLANE_X_RESOLUTION, 2500, 1);
    AddShort(exif, EXIF_TAG_FOCAL_PLANE_RESOLUTION_UNIT, 3);
    WriteJpegWithExif(dir.File("a.jpg"), exif);
    exif_data_unref(exif);
    const auto fields = ReadExifFocalFields(dir.File("a.jpg"));
    ASSERT_TRUE(fields);
    EXPECT_EQ(fields->focalLengthIn35mmFilm, 28.0);
    EXPECT_EQ(fields->focalLength, 16.0);
    EXPECT_EQ(fields->focalPlaneXResolution, 2500.0);
    EXPECT_EQ(fields->focalPlaneResolutionUnit, 3);
    EXPECT_EQ(ReadFocalLength35mm(dir.File("a.jpg")), 28.0);
    EXPECT_TRUE(CImageImpl::Open(dir.File("a.jpg"))->IsValid()); // the picture still reads
}

TEST(ExifFocalFiles, FilesWithoutExifOrOfOtherKindsTellNothing) {
    ScratchDir dir;
    auto picture = CImageImpl::Create(8, 8, 24, kImageTypeJpeg);
    ASSERT_TRUE(picture->WriteFile(dir.File("plain.jpg")));
    EXPECT_FALSE(ReadFocalLength35mm(dir.File("plain.jpg"), 6000, 4000));
    auto bmp = CImageImpl::Create(8, 8, 24, kImageTypeBmp);
    ASSERT_TRUE(bmp->WriteFile(dir.File("plain.bmp")));
    EXPECT_FALSE(ReadExifFocalFields(dir.File("plain.bmp")));
    EXPECT_FALSE(ReadExifFocalFields(dir.File("missing.jpg")));
    auto tiff = CImageImpl::Create(8, 8, 24, kImageTypeTiff);
    ASSERT_TRUE(tiff->WriteFile(dir.File("plain.tif")));
    EXPECT_FALSE(ReadFocalLength35mm(dir.File("plain.tif")));
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
    EXPECT_TRUE(CImageImpl::Open(dir.File("a.tif"))->IsValid());
}

} // namespace
