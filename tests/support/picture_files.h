// Picture files made with the format libraries themselves (libjpeg, libtiff, libpng), not with
// the picture layer, so that the readers under test meet files as other programs write them.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

// clang-format off
#include <jpeglib.h>
// clang-format on
#include <png.h>
#include <tiffio.h>

namespace picture_files {

// Sample `c` of pixel (x, y from the top): 0 red, 1 green, 2 blue (0 alone for grey).
using SampleOf = std::function<int(int x, int y, int c)>;

// A baseline JPEG of `components` 1 (grey) or 3 (RGB) at `quality`, with an APP1 marker holding
// `app1` when it is not empty.
inline std::vector<std::uint8_t> JpegBytes(int width, int height, int components,
                                           const SampleOf& sample, int quality = 90,
                                           const std::vector<std::uint8_t>& app1 = {}) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr errors{};
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = components;
    cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    if (!app1.empty())
        jpeg_write_marker(&cinfo, JPEG_APP0 + 1, app1.data(), static_cast<unsigned>(app1.size()));
    std::vector<JSAMPLE> row(static_cast<std::size_t>(width) * components);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < components; ++c)
                row[components * x + c] = static_cast<JSAMPLE>(sample(x, y, c));
        JSAMPROW rows = row.data();
        jpeg_write_scanlines(&cinfo, &rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<std::uint8_t> bytes(buffer, buffer + size);
    std::free(buffer);
    return bytes;
}

// A contiguous, LZW-compressed TIFF of `samples` samples of `bits` 8 or 16 per pixel, 16 rows a
// strip; false when libtiff cannot write it.
inline bool WriteTiff(const std::string& path, int width, int height, int samples, int bits,
                      std::uint16_t photometric, const SampleOf& sample) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    if (!tif) return false;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photometric);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 16);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    std::vector<std::uint8_t> row8(static_cast<std::size_t>(width) * samples);
    std::vector<std::uint16_t> row16(row8.size());
    bool written = true;
    for (int y = 0; y < height && written; ++y) {
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < samples; ++c) {
                row8[samples * x + c] = static_cast<std::uint8_t>(sample(x, y, c));
                row16[samples * x + c] = static_cast<std::uint16_t>(sample(x, y, c));
            }
        void* row = bits == 16 ? static_cast<void*>(row16.data()) : row8.data();
        written = TIFFWriteScanline(tif, row, static_cast<std::uint32_t>(y), 0) == 1;
    }
    TIFFClose(tif);
    return written;
}

// A PNG as its rows are packed in the file (16-bit samples big-endian), written by libpng.
struct PngLayout {
    int width = 1;
    int height = 1;
    int bitDepth = 8;
    int colorType = PNG_COLOR_TYPE_RGB;
    bool interlaced = false; // Adam7
    std::vector<png_color> palette;
    std::vector<png_byte> trns; // palette alpha
    std::vector<std::vector<png_byte>> rows;
};

inline bool WritePng(const std::string& path, const PngLayout& layout) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, file);
    png_set_IHDR(png, info, layout.width, layout.height, layout.bitDepth, layout.colorType,
                 layout.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!layout.palette.empty())
        png_set_PLTE(png, info, layout.palette.data(), static_cast<int>(layout.palette.size()));
    if (!layout.trns.empty())
        png_set_tRNS(png, info, layout.trns.data(), static_cast<int>(layout.trns.size()), nullptr);
    png_write_info(png, info);
    std::vector<png_bytep> rows;
    for (const auto& row : layout.rows) rows.push_back(const_cast<png_bytep>(row.data()));
    png_write_image(png, rows.data()); // every pass of an interlaced file
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}

} // namespace picture_files
