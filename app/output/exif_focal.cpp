#include "exif_focal.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>

#include <libexif/exif-data.h>
#include <libexif/exif-loader.h>

#include "tiff_handle.h"

namespace {

constexpr double kFrameLongSideMm = 36.0;

std::optional<double> UnitInMillimetres(int unit) {
    switch (unit) {
    case 2:
        return 25.4;
    case 3:
        return 10.0;
    case 4:
        return 1.0;
    case 5:
        return 0.001;
    default:
        return std::nullopt;
    }
}

struct ExifDataUnref {
    void operator()(ExifData* data) const noexcept { exif_data_unref(data); }
};

// A positive, finite value; nothing otherwise.
std::optional<double> Positive(double value) {
    if (std::isfinite(value) && value > 0) return value;
    return std::nullopt;
}

std::optional<double> RationalField(ExifData* data, ExifIfd ifd, ExifTag tag) {
    ExifEntry* entry = exif_content_get_entry(data->ifd[ifd], tag);
    if (!entry || entry->format != EXIF_FORMAT_RATIONAL || entry->components < 1 ||
        entry->size < 8 || !entry->data)
        return std::nullopt;
    const ::ExifRational value = exif_get_rational(entry->data, exif_data_get_byte_order(data));
    if (value.denominator == 0) return std::nullopt;
    return Positive(static_cast<double>(value.numerator) / value.denominator);
}

std::optional<int> IntegerField(ExifData* data, ExifIfd ifd, ExifTag tag) {
    ExifEntry* entry = exif_content_get_entry(data->ifd[ifd], tag);
    if (!entry || entry->components < 1 || !entry->data) return std::nullopt;
    const ExifByteOrder order = exif_data_get_byte_order(data);
    if (entry->format == EXIF_FORMAT_SHORT && entry->size >= 2)
        return exif_get_short(entry->data, order);
    if (entry->format == EXIF_FORMAT_LONG && entry->size >= 4) {
        const ExifLong value = exif_get_long(entry->data, order);
        if (value > 0x7FFFFFFF) return std::nullopt;
        return static_cast<int>(value);
    }
    return std::nullopt;
}

std::optional<ExifFocalFields> ReadJpegFields(const std::string& path) {
    std::unique_ptr<ExifData, ExifDataUnref> data(exif_data_new_from_file(path.c_str()));
    if (!data) return std::nullopt;
    ExifFocalFields fields;
    if (const auto value =
            IntegerField(data.get(), EXIF_IFD_EXIF, EXIF_TAG_FOCAL_LENGTH_IN_35MM_FILM))
        fields.focalLengthIn35mmFilm = *value;
    fields.focalLength = RationalField(data.get(), EXIF_IFD_EXIF, EXIF_TAG_FOCAL_LENGTH);
    fields.focalPlaneXResolution =
        RationalField(data.get(), EXIF_IFD_EXIF, EXIF_TAG_FOCAL_PLANE_X_RESOLUTION);
    fields.focalPlaneResolutionUnit =
        IntegerField(data.get(), EXIF_IFD_EXIF, EXIF_TAG_FOCAL_PLANE_RESOLUTION_UNIT);
    fields.pixelXDimension = IntegerField(data.get(), EXIF_IFD_EXIF, EXIF_TAG_PIXEL_X_DIMENSION);
    fields.pixelYDimension = IntegerField(data.get(), EXIF_IFD_EXIF, EXIF_TAG_PIXEL_Y_DIMENSION);
    return fields;
}

// A rational EXIF field of the current libtiff directory; libtiff hands these out as float
// or double depending on the field's definition, which the field itself tells.
std::optional<double> TiffRational(TIFF* tif, std::uint32_t tag) {
    const TIFFField* field = TIFFFieldWithTag(tif, tag);
    if (!field) return std::nullopt;
    if (TIFFFieldSetGetSize(field) == 8) {
        double value = 0;
        if (TIFFGetField(tif, tag, &value)) return Positive(value);
    } else if (TIFFFieldSetGetSize(field) == 4) {
        float value = 0;
        if (TIFFGetField(tif, tag, &value)) return Positive(value);
    }
    return std::nullopt;
}

std::optional<int> TiffShort(TIFF* tif, std::uint32_t tag) {
    std::uint16_t value = 0;
    if (TIFFGetField(tif, tag, &value)) return value;
    return std::nullopt;
}

std::optional<int> TiffDimension(TIFF* tif, std::uint32_t tag) {
    const TIFFField* field = TIFFFieldWithTag(tif, tag);
    if (!field) return std::nullopt;
    if (TIFFFieldSetGetSize(field) == 4) {
        std::uint32_t value = 0;
        if (TIFFGetField(tif, tag, &value) && value <= 0x7FFFFFFF) return static_cast<int>(value);
    } else if (TIFFFieldSetGetSize(field) == 2) {
        return TiffShort(tif, tag);
    }
    return std::nullopt;
}

std::optional<ExifFocalFields> ReadTiffFields(const std::string& path) {
    TiffPtr tif = OpenTiffQuietly(path, "r");
    if (!tif) return std::nullopt;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &height);
    toff_t exifOffset = 0;
    if (!TIFFGetField(tif.get(), TIFFTAG_EXIFIFD, &exifOffset) ||
        !TIFFReadEXIFDirectory(tif.get(), exifOffset))
        return std::nullopt;
    ExifFocalFields fields;
    if (const auto value = TiffShort(tif.get(), EXIFTAG_FOCALLENGTHIN35MMFILM))
        fields.focalLengthIn35mmFilm = *value;
    fields.focalLength = TiffRational(tif.get(), EXIFTAG_FOCALLENGTH);
    fields.focalPlaneXResolution = TiffRational(tif.get(), EXIFTAG_FOCALPLANEXRESOLUTION);
    fields.focalPlaneResolutionUnit = TiffShort(tif.get(), EXIFTAG_FOCALPLANERESOLUTIONUNIT);
    fields.pixelXDimension = TiffDimension(tif.get(), EXIFTAG_PIXELXDIMENSION);
    fields.pixelYDimension = TiffDimension(tif.get(), EXIFTAG_PIXELYDIMENSION);
    // The file's own size stands in for the recorded one.
    if (!fields.pixelXDimension && width > 0 && width <= 0x7FFFFFFF)
        fields.pixelXDimension = static_cast<int>(width);
    if (!fields.pixelYDimension && height > 0 && height <= 0x7FFFFFFF)
        fields.pixelYDimension = static_cast<int>(height);
    return fields;
}

} // namespace

std::optional<double> EquivalentFocalLength(const ExifFocalFields& fields, int imageWidth,
                                            int imageHeight) {
    if (fields.focalLengthIn35mmFilm && *fields.focalLengthIn35mmFilm > 0)
        return *fields.focalLengthIn35mmFilm;
    if (!fields.focalLength || !fields.focalPlaneXResolution) return std::nullopt;
    const auto unit = UnitInMillimetres(fields.focalPlaneResolutionUnit.value_or(2));
    if (!unit) return std::nullopt;
    const int width = fields.pixelXDimension.value_or(imageWidth);
    const int height = fields.pixelYDimension.value_or(imageHeight);
    const int longSide = std::max(width, height);
    if (longSide <= 0) return std::nullopt;
    const double sensorMm = longSide / *fields.focalPlaneXResolution * *unit;
    if (!(sensorMm > 0) || !std::isfinite(sensorMm)) return std::nullopt;
    return Positive(*fields.focalLength * kFrameLongSideMm / sensorMm);
}

std::optional<ExifFocalFields> ReadExifFocalFields(const std::string& path) {
    unsigned char magic[4] = {};
    {
        std::FILE* file = std::fopen(path.c_str(), "rb");
        if (!file) return std::nullopt;
        const std::size_t got = std::fread(magic, 1, sizeof magic, file);
        std::fclose(file);
        if (got < sizeof magic) return std::nullopt;
    }
    if (magic[0] == 0xFF && magic[1] == 0xD8) return ReadJpegFields(path);
    const bool intel = magic[0] == 'I' && magic[1] == 'I' && magic[2] == 42 && magic[3] == 0;
    const bool motorola = magic[0] == 'M' && magic[1] == 'M' && magic[2] == 0 && magic[3] == 42;
    if (intel || motorola) return ReadTiffFields(path);
    return std::nullopt;
}

std::optional<double> ReadFocalLength35mm(const std::string& path, int imageWidth,
                                          int imageHeight) {
    const auto fields = ReadExifFocalFields(path);
    if (!fields) return std::nullopt;
    return EquivalentFocalLength(*fields, imageWidth, imageHeight);
}
