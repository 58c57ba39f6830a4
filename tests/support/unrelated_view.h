// A picture that shares nothing with the texture views: two octaves of smoothly interpolated
// hashed cell values, without the texture's periodic bands (which any two places of the texture
// share), so a pair made of it and a texture view shows two unrelated places.
#pragma once

#include <cmath>
#include <cstdint>

#include "core/image_record.h"
#include "support/test_images.h"

namespace unrelated_view {

inline double CellHash(int x, int y, unsigned seed) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 73856093u ^
                      static_cast<std::uint32_t>(y) * 19349663u ^ seed * 83492791u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return (h & 0xFFFF) / 65535.0;
}

inline double CellNoise(double r, double c, double cell, unsigned seed) {
    const double y = r / cell, x = c / cell;
    const int iy = static_cast<int>(std::floor(y)), ix = static_cast<int>(std::floor(x));
    const double fy = y - iy, fx = x - ix;
    const double top = CellHash(ix, iy, seed) * (1 - fx) + CellHash(ix + 1, iy, seed) * fx;
    const double bottom =
        CellHash(ix, iy + 1, seed) * (1 - fx) + CellHash(ix + 1, iy + 1, seed) * fx;
    return top * (1 - fy) + bottom * fy;
}

// Grey level 0 .. 255 of pixel (r, c).
inline unsigned char Value(int r, int c, unsigned seed) {
    const double v = 0.65 * CellNoise(r, c, 12.0, seed) + 0.35 * CellNoise(r, c, 5.0, seed + 7);
    return static_cast<unsigned char>(std::lround(v * 255.0));
}

// As a 24-bit bitmap (the same value in every channel) or a one-band engine image.
inline TestDib View(int rows, int columns, unsigned seed = 5) {
    TestDib dib(columns, rows, 24);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            for (int b = 0; b < 3; ++b) dib.At(r, c, b) = Value(r, c, seed);
    return dib;
}
inline NImagePtr Image(int rows, int columns, unsigned seed = 5) {
    NImagePtr image(NCreateImage(1, rows, columns, NUByteRepn));
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            NPixel<unsigned char>(image.get(), 0, r, c) = Value(r, c, seed);
    return image;
}

} // namespace unrelated_view
