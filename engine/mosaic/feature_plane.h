// Single-band float planes for feature matching: grey windows cut from engine images, warped
// windows, separable Gaussian smoothing with clamped borders, pyramid reduction and sub-pixel
// sampling. The matcher works on these instead of N_ImageRec so that its inner loops run over
// contiguous rows without per-pixel dispatch.
#pragma once

#include <cstddef>
#include <vector>

#include "mosaic/homography.h"
#include "stitchkit/ImageRec.h"

struct FloatPlane {
    int rows = 0;
    int cols = 0;
    std::vector<float> data;

    FloatPlane() = default;
    FloatPlane(int nrows, int ncols)
        : rows(nrows), cols(ncols),
          data(static_cast<std::size_t>(nrows) * static_cast<std::size_t>(ncols), 0.0f) {}

    bool Empty() const { return rows <= 0 || cols <= 0; }
    float* Row(int r) { return data.data() + static_cast<std::size_t>(r) * cols; }
    const float* Row(int r) const { return data.data() + static_cast<std::size_t>(r) * cols; }
    float& At(int r, int c) { return Row(r)[c]; }
    float At(int r, int c) const { return Row(r)[c]; }
};

// Grey value of an image pixel: the pixel of a one-band image, else 0.299 R + 0.587 G +
// 0.114 B (planar images hold R, G, B; interleaved ones B, G, R).
double GreyPixel(const N_ImageRec* image, int row, int column);

// The grey window rows x cols whose top-left is (top, left) of the image, each value rounded to
// a whole grey level (0 .. 255 for ubyte images); pixels outside the image are 0.
FloatPlane GreyWindow(const N_ImageRec* image, int top, int left, int rows, int cols);

// The window rows x cols at (top, left) of the first image's frame, each pixel taken from the
// image at H(pixel) by bilinear interpolation when that point lies inside the image (last row
// and column without interpolation), else 0; values rounded to whole grey levels.
FloatPlane WarpedGreyWindow(const N_ImageRec* image, const Homography8& H, int top, int left,
                            int rows, int cols);

// A normalised Gaussian of n taps (sigma = (n / 2) x 0.5): centre weight 1 and
// exp(-k^2 / (2 sigma^2)) k taps away, all divided by their sum. n must be odd.
std::vector<float> GaussianTaps(int n);

// Row kernels. They work in blocks of eight elements whose fixed-length inner loops the
// compiler turns into vector instructions even at -O2, plus a scalar tail.
inline void ScaleRow(float* __restrict out, const float* __restrict in, float w, int n) {
    int c = 0;
    for (; c + 8 <= n; c += 8)
        for (int k = 0; k < 8; ++k) out[c + k] = w * in[c + k];
    for (; c < n; ++c) out[c] = w * in[c];
}
// out += w (a + b)
inline void AddWeightedPair(float* __restrict out, const float* __restrict a,
                            const float* __restrict b, float w, int n) {
    int c = 0;
    for (; c + 8 <= n; c += 8)
        for (int k = 0; k < 8; ++k) out[c + k] += w * (a[c + k] + b[c + k]);
    for (; c < n; ++c) out[c] += w * (a[c] + b[c]);
}

// Smooths one row of n values with the odd-length symmetric kernel, clamping at both ends;
// `padded` is reused working storage. `out` may be `in`.
void SmoothRow(const float* in, int n, const std::vector<float>& taps, std::vector<float>& padded,
               float* out);

// Smooths the plane in place with the odd-length symmetric kernel along rows, then columns,
// clamping coordinates to the nearest edge. `scratch` is reused working storage.
void SmoothPlane(FloatPlane& plane, const std::vector<float>& taps, FloatPlane& scratch);

// One pyramid step: a 5-tap binomial blur (1 4 6 4 1) / 16 with clamped borders, keeping
// every second row and column starting at 0, so that level k+1 pixel (i, j) lies on level k
// pixel (2i, 2j). The result is rows / 2 x cols / 2.
FloatPlane HalvePlane(const FloatPlane& plane);

// Bilinear value at a point inside the plane (0 <= r <= rows - 1, 0 <= c <= cols - 1).
float SampleBilinear(const FloatPlane& plane, double r, double c);

// Reads a size x size window whose centre lies at (r, c) by bilinear interpolation into `out`
// (row-major). Every window pixel shares one sub-pixel offset, so the weights are computed once.
// False when the window does not lie inside the plane (nothing written).
bool SampleWindow(const FloatPlane& plane, double r, double c, int size, float* out);
