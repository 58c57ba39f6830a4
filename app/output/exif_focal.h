// The focal length recorded in a photograph's EXIF data, as the focal length of a lens that
// gives the same view on a 35 mm frame (36 mm long side).
#pragma once

#include <optional>
#include <string>

// The EXIF fields that tell the focal length, each present only when the file has it.
struct ExifFocalFields {
    std::optional<double> focalLengthIn35mmFilm; // FocalLengthIn35mmFilm (mm), 0 = unknown
    std::optional<double> focalLength;           // FocalLength (mm)
    std::optional<double> focalPlaneXResolution; // pixels per resolution unit on the sensor
    std::optional<int> focalPlaneResolutionUnit; // 2 inch (the default), 3 cm, 4 mm, 5 um
    std::optional<int> pixelXDimension;          // the width the sensor resolution refers to
    std::optional<int> pixelYDimension;
};

// The 35 mm-equivalent focal length from the fields: FocalLengthIn35mmFilm when it is
// positive, else FocalLength x 36 / (the sensor's long side in mm), the long side being the
// longer of the image's sides in pixels divided by FocalPlaneXResolution. The image size is
// PixelX/YDimension when recorded, else `imageWidth` x `imageHeight`. Nothing when unknown.
std::optional<double> EquivalentFocalLength(const ExifFocalFields& fields, int imageWidth,
                                            int imageHeight);

// Reads the fields of a JPEG file (through libexif) or a TIFF file (its EXIF directory through
// libtiff); nothing for other files or when the file has no EXIF data.
std::optional<ExifFocalFields> ReadExifFocalFields(const std::string& path);

// Both steps: the 35 mm-equivalent focal length of the photograph in `path`, whose picture
// is imageWidth x imageHeight pixels (0 when not known); nothing when it cannot be told.
std::optional<double> ReadFocalLength35mm(const std::string& path, int imageWidth = 0,
                                          int imageHeight = 0);
