#include "tiff_image.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "picture_prompt.h"
#include "tiff_handle.h"

namespace {

constexpr std::uint16_t kMostGreySamples = 2;
constexpr std::uint16_t kMostRgbSamples = 4;

// The most bytes of decoded strip data that one byte of a file can stand for under each
// compression; 0 where there is no useful bound (bilevel fax codes spend about a bit on a
// blank row; JPEG and the rest are bounded by libtiff's own allocation limit).
double LargestExpansion(std::uint16_t compression) {
    switch (compression) {
    case COMPRESSION_NONE:
        return 1;
    case COMPRESSION_PACKBITS:
        return 64; // two bytes repeat one byte at most 128 times
    case COMPRESSION_LZW:
        return 4096; // a code of at least 9 bits stands for at most 4096 bytes
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_DEFLATE:
        return 1032; // deflate's limit: 258 bytes for a 2-bit length and distance pair
    case COMPRESSION_ZSTD:
        return 32768; // a 4-byte run block of 128 KiB
    default:
        return 0;
    }
}

// Whether the file can hold the data its header announces: the decoded samples of every row
// (at least one sample per pixel for subsampled YCbCr), compared with the file's size and what
// its compression can expand that to. Checked before anything is allocated for the picture.
bool FileCanHoldPicture(TIFF* tif, const std::string& path, std::uint32_t width,
                        std::uint32_t height, std::uint16_t bits, std::uint16_t samples) {
    std::error_code error;
    const std::uintmax_t fileSize = std::filesystem::file_size(path, error);
    if (error) return false;
    std::uint16_t compression = COMPRESSION_NONE;
    std::uint16_t photometric = PHOTOMETRIC_MINISBLACK;
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
    const double expansion = LargestExpansion(compression);
    if (expansion == 0) return true;
    const double perPixel = photometric == PHOTOMETRIC_YCBCR ? 1.0 : static_cast<double>(samples);
    const double rowBytes = std::ceil(static_cast<double>(width) * bits * perPixel / 8);
    return rowBytes * height <= expansion * static_cast<double>(fileSize);
}

// Reads a 16-bit grey or RGB file in strips, scanline by scanline, keeping every bit: the
// high byte of each sample goes into the picture, the low byte into the low-byte plane.
bool ReadSixteenBit(TIFF* tif, DibImage& made, std::uint16_t samples, std::uint16_t photometric,
                    std::uint16_t planar) {
    const int width = made.Width();
    const int height = made.Height();
    const bool grey = photometric != PHOTOMETRIC_RGB;
    const bool whiteIsZero = photometric == PHOTOMETRIC_MINISWHITE;
    const tmsize_t lineBytes = TIFFScanlineSize(tif);
    // Each scanline holds `samplesPerLine` 16-bit values per pixel.
    const int samplesPerLine = planar == PLANARCONFIG_CONTIG ? samples : 1;
    if (lineBytes < static_cast<tmsize_t>(width) * samplesPerLine * 2) return false;
    if (lineBytes > static_cast<tmsize_t>(width) * kMostRgbSamples * 2) return false;
    std::vector<std::uint16_t> line(static_cast<std::size_t>(lineBytes + 1) / 2);

    auto store = [&](int y, int x, int channel, std::uint16_t value) {
        if (whiteIsZero) value = static_cast<std::uint16_t>(65535 - value);
        const auto high = static_cast<BYTE>(value >> 8);
        const auto low = static_cast<BYTE>(value & 0xFF);
        BYTE* high3 = made.Row(y) + 3 * x;
        BYTE* low3 = made.LowerRow(y) + 3 * x;
        if (grey) {
            high3[0] = high3[1] = high3[2] = high;
            low3[0] = low3[1] = low3[2] = low;
        } else {
            high3[2 - channel] = high; // the picture stores blue, green, red
            low3[2 - channel] = low;
        }
    };

    if (planar == PLANARCONFIG_CONTIG) {
        for (int y = 0; y < height; ++y) {
            if (TIFFReadScanline(tif, line.data(), static_cast<std::uint32_t>(y), 0) < 0)
                return false;
            for (int x = 0; x < width; ++x) {
                const std::uint16_t* pixel = line.data() + static_cast<std::size_t>(x) * samples;
                for (int c = 0; c < (grey ? 1 : 3); ++c) store(y, x, c, pixel[c]);
            }
        }
        return true;
    }
    // Separate planes are read one plane after the other, so that no strip is decoded twice.
    for (int c = 0; c < (grey ? 1 : 3); ++c) {
        for (int y = 0; y < height; ++y) {
            if (TIFFReadScanline(tif, line.data(), static_cast<std::uint32_t>(y),
                                 static_cast<std::uint16_t>(c)) < 0)
                return false;
            for (int x = 0; x < width; ++x) store(y, x, c, line[static_cast<std::size_t>(x)]);
        }
    }
    return true;
}

} // namespace

bool CTiffImage::ReadImage(const std::string& path, DibImage& dib) {
    TiffPtr tif = OpenTiffQuietly(path, "r");
    if (!tif) {
        PicturePrompt(PictureText(QT_TRANSLATE_NOOP("PictureLayer", "can't open %1"), {path}));
        return false;
    }
    std::uint16_t bits = 1;
    std::uint16_t samples = 1;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_SAMPLESPERPIXEL, &samples);
    if (!TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width) ||
        !TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &height))
        return false;
    if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide) return false;

    std::uint16_t photometric = 0;
    std::uint16_t planar = PLANARCONFIG_CONTIG;
    std::uint16_t format = SAMPLEFORMAT_UINT;
    const bool hasPhotometric = TIFFGetField(tif.get(), TIFFTAG_PHOTOMETRIC, &photometric) != 0;
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_SAMPLEFORMAT, &format);
    const bool greyLayout =
        photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE;
    const bool rgbLayout = photometric == PHOTOMETRIC_RGB && samples >= 3;
    const bool sixteen = bits == 16 && hasPhotometric && format == SAMPLEFORMAT_UINT &&
                         !TIFFIsTiled(tif.get()) && (greyLayout || rgbLayout) &&
                         (planar == PLANARCONFIG_CONTIG || planar == PLANARCONFIG_SEPARATE);
    if (!FileCanHoldPicture(tif.get(), path, width, height, bits, samples)) return false;

    DibImage made;
    if (sixteen) {
        // Grey with alpha, or red, green, blue with alpha, at most: every sample of a line is
        // held while it is read, and only the colour samples are kept.
        if (samples > (greyLayout ? kMostGreySamples : kMostRgbSamples)) return false;
        if (!AllocateDib(made, static_cast<int>(width), static_cast<int>(height), 24, true))
            return false;
        if (!ReadSixteenBit(tif.get(), made, samples, photometric, planar)) return false;
        made.grey16 = samples == 1;
        dib = std::move(made);
        return true;
    }

    // Everything else goes through libtiff's RGBA interface, 8 bits per sample.
    char message[1024] = {};
    if (!TIFFRGBAImageOK(tif.get(), message)) return false;
    if (!AllocateDib(made, static_cast<int>(width), static_cast<int>(height), 24, false))
        return false;
    PixelBlock raster = PixelBlock::Allocate(static_cast<std::size_t>(width) * height * 4);
    if (raster.empty()) return false;
    auto* pixels = reinterpret_cast<std::uint32_t*>(raster.data());
    if (!TIFFReadRGBAImageOriented(tif.get(), width, height, pixels, ORIENTATION_TOPLEFT, 1))
        return false;
    for (std::uint32_t y = 0; y < height; ++y) {
        const std::uint32_t* in = pixels + static_cast<std::size_t>(y) * width;
        BYTE* out = made.Row(static_cast<int>(y));
        for (std::uint32_t x = 0; x < width; ++x) {
            out[3 * x] = static_cast<BYTE>(TIFFGetB(in[x]));
            out[3 * x + 1] = static_cast<BYTE>(TIFFGetG(in[x]));
            out[3 * x + 2] = static_cast<BYTE>(TIFFGetR(in[x]));
        }
    }
    dib = std::move(made);
    return true;
}

bool CTiffImage::WriteImage(const std::string& path) {
    if (GetType() != kImageTypeTiff) return false;
    TiffPtr tif = OpenTiffQuietly(path, "w");
    if (!tif) {
        PicturePrompt(PictureText(QT_TRANSLATE_NOOP("PictureLayer", "can't open %1"), {path}));
        return false;
    }
    const bool grey16 = IsGrey16() && Is48Bit();
    const bool sixteen = Is48Bit();
    const std::uint16_t samples = grey16 ? 1 : 3;
    const std::uint16_t bits = sixteen ? 16 : 8;
    const std::uint32_t width = static_cast<std::uint32_t>(GetWidth());
    const std::uint32_t height = static_cast<std::uint32_t>(GetHeight());
    TIFF* t = tif.get();
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(t, TIFFTAG_FILLORDER, FILLORDER_MSB2LSB);
    TIFFSetField(t, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(t, TIFFTAG_MINSAMPLEVALUE, std::uint16_t{0});
    TIFFSetField(t, TIFFTAG_MAXSAMPLEVALUE, static_cast<std::uint16_t>(sixteen ? 65535 : 255));
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, height);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_IMAGEDESCRIPTION, GetFileName().c_str());
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, grey16 ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB);
    // The picture is one strip; without a buffer of our size libtiff would gather the whole
    // strip (the whole file) in memory before writing it out.
    if (TIFFWriteBufferSetup(t, nullptr, 1 << 20) != 1) return false;

    std::vector<BYTE> line8;
    std::vector<std::uint16_t> line16;
    if (sixteen)
        line16.resize(static_cast<std::size_t>(width) * samples);
    else
        line8.resize(static_cast<std::size_t>(width) * 3);
    for (std::uint32_t y = 0; y < height; ++y) {
        const int row = static_cast<int>(y);
        void* line = nullptr;
        if (sixteen) {
            // Each sample is its low byte (from the low-byte plane) and its high byte (from
            // the picture), red, green, blue; a grey picture writes its first channel.
            const BYTE* high = GetRow(row);
            const BYTE* low = GetLowerRow(row);
            for (std::uint32_t x = 0; x < width; ++x) {
                for (int c = 0; c < samples; ++c) {
                    const int byte = grey16 ? 0 : 2 - c;
                    line16[x * samples + c] =
                        static_cast<std::uint16_t>((high[3 * x + byte] << 8) | low[3 * x + byte]);
                }
            }
            line = line16.data();
        } else {
            RowToRgb(row, line8.data());
            line = line8.data();
        }
        if (TIFFWriteScanline(t, line, y, 0) < 0) return false;
    }
    return TIFFFlush(t) == 1;
}
