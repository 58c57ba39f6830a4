#include "support/test_images.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

namespace {

// Integer hash to a value in [0, 1).
double Hash(int x, int y, unsigned seed) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 374761393u +
                      static_cast<std::uint32_t>(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return (h & 0xFFFFFF) / static_cast<double>(0x1000000);
}

double Smooth(double t) {
    return t * t * (3.0 - 2.0 * t);
}

double ValueNoise(double y, double x, unsigned seed) {
    const double fy = std::floor(y), fx = std::floor(x);
    const int iy = static_cast<int>(fy), ix = static_cast<int>(fx);
    const double ty = Smooth(y - fy), tx = Smooth(x - fx);
    const double a = Hash(ix, iy, seed), b = Hash(ix + 1, iy, seed);
    const double c = Hash(ix, iy + 1, seed), d = Hash(ix + 1, iy + 1, seed);
    return (a + (b - a) * tx) * (1 - ty) + (c + (d - c) * tx) * ty;
}

} // namespace

double TextureValue(double row, double column, unsigned seed) {
    double value = 0.0, amplitude = 0.5, period = 64.0;
    for (int octave = 0; octave < 5; ++octave) {
        value += amplitude * ValueNoise(row / period, column / period, seed + octave * 17u);
        amplitude *= 0.5;
        period *= 0.5;
    }
    // Hard-edged diagonal bands add strong gradients in both directions.
    const double band = std::fmod(std::abs(row * 0.37 + column * 0.61) / 23.0, 2.0);
    value = 0.8 * value + (band < 1.0 ? 0.2 : 0.0);
    return std::clamp(value * 255.0 / 0.98, 0.0, 255.0);
}

NImagePtr MakeTextureImage(int nbands, int nrows, int ncolumns, unsigned seed) {
    NImagePtr image(NCreateImage(nbands, nrows, ncolumns, NUByteRepn));
    if (!image) return image;
    for (int b = 0; b < nbands; ++b)
        for (int r = 0; r < nrows; ++r)
            for (int c = 0; c < ncolumns; ++c)
                NPixel<unsigned char>(image.get(), b, r, c) =
                    static_cast<unsigned char>(TextureValue(r, c, seed + 101u * b));
    return image;
}

TestDib::TestDib(int width, int height, int bitCount) {
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(bitCount);
    header.biCompression = BI_RGB;
    const std::int64_t size = DibStride(width, bitCount) * (height > 0 ? height : 0);
    header.biSizeImage = static_cast<DWORD>(size);
    pixels.assign(static_cast<std::size_t>(size), 0);
    lower.assign(static_cast<std::size_t>(size), 0);
    if (bitCount == 8) palette.assign(256, RGBQUAD{0, 0, 0, 0});
}

unsigned char& TestDib::At(int row, int column, int byte) {
    const std::int64_t offset = (header.biHeight - 1 - row) * Stride() +
                                static_cast<std::int64_t>(column) * header.biBitCount / 8 + byte;
    return pixels.at(static_cast<std::size_t>(offset));
}

void TestDib::SetGreyRamp() {
    palette.resize(256);
    for (int i = 0; i < 256; ++i) {
        const auto v = static_cast<BYTE>(i);
        palette[i] = RGBQUAD{v, v, v, 0};
    }
}

CBmpAdapter TestDib::Adapter() {
    return CBmpAdapter(&header, pixels.data(), palette.empty() ? nullptr : palette.data(),
                       lower.data());
}

TestDib TextureView(int rows, int columns, int top, int left, ViewKind kind, unsigned seed) {
    TestDib dib(columns, rows, kind == ViewKind::Rgb24 ? 24 : 8);
    if (kind == ViewKind::Grey8) dib.SetGreyRamp();
    if (kind == ViewKind::Palette8) {
        for (int i = 0; i < 256; ++i)
            dib.palette[i] = RGBQUAD{static_cast<BYTE>(i / 2), static_cast<BYTE>(255 - i),
                                     static_cast<BYTE>(i), 0};
    }
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            if (kind == ViewKind::Rgb24) {
                // Bitmap bytes are blue, green, red; band b of the image uses seed + 101 b.
                for (int b = 0; b < 3; ++b)
                    dib.At(r, c, 2 - b) = static_cast<unsigned char>(
                        TextureValue(r + top, c + left, seed + 101u * b));
            } else {
                dib.At(r, c) = static_cast<unsigned char>(TextureValue(r + top, c + left, seed));
            }
        }
    return dib;
}

TestDib FlatView(int rows, int columns, int value) {
    TestDib dib(columns, rows, 8);
    dib.SetGreyRamp();
    std::fill(dib.pixels.begin(), dib.pixels.end(), static_cast<unsigned char>(value));
    return dib;
}

TestDib DibFromImage(const N_ImageRec* image) {
    const bool colour = image->nbands == 3;
    TestDib dib(image->ncolumns, image->nrows, colour ? 24 : 8);
    if (!colour) dib.SetGreyRamp();
    for (int r = 0; r < image->nrows; ++r)
        for (int c = 0; c < image->ncolumns; ++c) {
            if (colour) {
                for (int b = 0; b < 3; ++b)
                    dib.At(r, c, 2 - b) = NPixel<unsigned char>(image, b, r, c);
            } else {
                dib.At(r, c) = NPixel<unsigned char>(image, 0, r, c);
            }
        }
    return dib;
}

void ReleaseAdapterResult(CBmpAdapter& adapter) {
    AdapterResult(std::exchange(adapter, CBmpAdapter())).Reset();
}

DeliveredPicture::DeliveredPicture(CBmpAdapter& out) {
    if (out.IsEmpty()) return;
    width = out.GetWidth();
    height = out.GetHeight();
    bits = out.GetHeader()->biBitCount;
    stride = DibStride(width, bits);
    pixels.assign(out.GetData(), out.GetData() + stride * height);
    ReleaseAdapterResult(out);
}

int DeliveredPicture::At(int r, int c, int band) const {
    const std::int64_t row = (height - 1 - r) * stride;
    return bits == 24 ? pixels[row + c * 3 + (2 - band)] : pixels[row + c];
}
