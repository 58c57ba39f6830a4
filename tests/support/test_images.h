// Test inputs made by the tests: procedural textures and bitmaps with known contents.
#pragma once

#include <cstdint>
#include <vector>

#include "core/image_ptr.h"
#include "stitchkit/AdapterResult.h"
#include "stitchkit/BmpAdapter.h"
#include "stitchkit/Dib.h"

// A smooth, non-repeating texture with sharp edges, values in 0 .. 255: summed octaves of
// value noise plus a few hard-edged bands, so every window has structure to align on.
double TextureValue(double row, double column, unsigned seed);

// A planar ubyte image of the texture (one band per seed offset).
NImagePtr MakeTextureImage(int nbands, int nrows, int ncolumns, unsigned seed = 1);

// A bitmap held by the test: header, pixels and (for 8 bits) a 256-entry palette.
struct TestDib {
    BITMAPINFOHEADER header{};
    std::vector<unsigned char> pixels;
    std::vector<RGBQUAD> palette;
    std::vector<unsigned char> lower; // low bytes of a 16-bit-per-channel picture

    TestDib(int width, int height, int bitCount);
    std::int64_t Stride() const { return DibStride(header.biWidth, header.biBitCount); }
    // Byte `byte` of pixel (row from the top, column).
    unsigned char& At(int row, int column, int byte = 0);
    void SetGreyRamp();
    CBmpAdapter Adapter();
};

// A view of the texture: rows x columns starting at (top, left) of the infinite texture, as a
// bitmap of 24 bits (three bands from three seeds), 8 bits with a grey ramp, or 8 bits with a
// colour palette (index = texture value, entry i = (red i, green 255 - i, blue i / 2)).
enum class ViewKind { Rgb24, Grey8, Palette8 };
TestDib TextureView(int rows, int columns, int top, int left, ViewKind kind, unsigned seed = 1);

// An 8-bit grey bitmap of rows x columns whose every pixel is `value`.
TestDib FlatView(int rows, int columns, int value);

// A bitmap of a planar ubyte image: 24 bits for three bands (R, G, B), else 8 bits grey.
TestDib DibFromImage(const N_ImageRec* image);

// Releases the header and pixels a From conversion handed to an adapter.
void ReleaseAdapterResult(CBmpAdapter& adapter);

// The picture an operation delivered to an adapter (whose result it releases), read top row
// first: band 0 of a grey picture, bands 0 red, 1 green and 2 blue of a colour one.
struct DeliveredPicture {
    int width = 0, height = 0, bits = 0;
    std::int64_t stride = 0;
    std::vector<unsigned char> pixels; // as delivered: bottom-up rows, padded
    explicit DeliveredPicture(CBmpAdapter& out);
    int At(int r, int c, int band = 0) const;
};
