#include "mosaic/feature_plane.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "core/image_record.h"

namespace {

// Reads grey values of an image: direct addressing for ubyte images, NGetPixel otherwise.
// Colour is weighted in double precision in the order R, G, B whatever the layout, so a planar
// image and its interleaved copy give the same grey values.
class GreyReader {
public:
    explicit GreyReader(const N_ImageRec* image) : m_image(image) {
        m_fast = image->repn == NUByteRepn;
        m_colour = image->nbands >= 3;
        // Planar images hold R, G, B; interleaved ones keep the bitmap order B, G, R.
        m_red = image->interleaved ? 2 : 0;
        m_blue = image->interleaved ? 0 : 2;
    }

    // Unrounded grey value of pixel (r, c), which must lie inside the image.
    float At(int r, int c) const {
        if (!m_colour) return static_cast<float>(Value(0, r, c));
        return static_cast<float>(Weigh(Value(m_red, r, c), Value(1, r, c), Value(m_blue, r, c)));
    }

    // Grey values of columns [c0, c1) of row r, rounded to whole levels, into out[0 ..].
    void RoundedRow(int r, int c0, int c1, float* out) const {
        if (!m_fast) {
            for (int c = c0; c < c1; ++c) {
                const double v =
                    m_colour ? Weigh(Value(m_red, r, c), Value(1, r, c), Value(m_blue, r, c))
                             : Value(0, r, c);
                out[c - c0] = static_cast<float>(std::floor(v + 0.5));
            }
            return;
        }
        const std::ptrdiff_t pitch = m_image->interleaved ? m_image->nbands : 1;
        if (!m_colour) {
            const unsigned char* p = NPixelAddr(m_image, 0, r, c0);
            for (int c = c0; c < c1; ++c, p += pitch) out[c - c0] = *p;
            return;
        }
        const unsigned char* red = NPixelAddr(m_image, m_red, r, c0);
        const unsigned char* green = NPixelAddr(m_image, 1, r, c0);
        const unsigned char* blue = NPixelAddr(m_image, m_blue, r, c0);
        for (int c = c0; c < c1; ++c, red += pitch, green += pitch, blue += pitch)
            out[c - c0] = static_cast<float>(std::floor(Weigh(*red, *green, *blue) + 0.5));
    }

private:
    static double Weigh(double red, double green, double blue) {
        return 0.299 * red + 0.587 * green + 0.114 * blue;
    }
    double Value(int band, int r, int c) const {
        return m_fast ? *NPixelAddr(m_image, band, r, c) : NGetPixel(m_image, band, r, c);
    }

    const N_ImageRec* m_image;
    bool m_fast = false;
    bool m_colour = false;
    int m_red = 0;
    int m_blue = 2;
};

// Rounds to a whole grey level.
float RoundGrey(float v) {
    return std::floor(v + 0.5f);
}

} // namespace

double GreyPixel(const N_ImageRec* image, int row, int column) {
    return GreyReader(image).At(row, column);
}

FloatPlane GreyWindow(const N_ImageRec* image, int top, int left, int rows, int cols) {
    FloatPlane plane(rows, cols);
    const GreyReader reader(image);
    const int r0 = std::max(top, 0), r1 = std::min(top + rows, image->nrows);
    const int c0 = std::max(left, 0), c1 = std::min(left + cols, image->ncolumns);
    if (c0 >= c1) return plane;
    for (int r = r0; r < r1; ++r) {
        float* out = plane.Row(r - top) + (c0 - left);
        reader.RoundedRow(r, c0, c1, out);
    }
    return plane;
}

FloatPlane WarpedGreyWindow(const N_ImageRec* image, const Homography8& H, int top, int left,
                            int rows, int cols) {
    FloatPlane plane(rows, cols);
    const GreyReader reader(image);
    const double maxR = image->nrows - 1, maxC = image->ncolumns - 1;
    const double* h = H.h;
    for (int i = 0; i < rows; ++i) {
        const double y = top + i;
        float* out = plane.Row(i);
        for (int j = 0; j < cols; ++j) {
            const double x = left + j;
            const double w = h[6] * x + h[7] * y + 1.0;
            if (w == 0.0) continue;
            const double xs = (h[0] * x + h[1] * y + h[2]) / w;
            const double ys = (h[3] * x + h[4] * y + h[5]) / w;
            if (!(ys >= 0.0 && ys <= maxR && xs >= 0.0 && xs <= maxC)) continue;
            const int r0 = static_cast<int>(ys), c0 = static_cast<int>(xs);
            float v;
            if (r0 + 1 > maxR || c0 + 1 > maxC) {
                v = reader.At(r0, c0);
            } else {
                const double fr = ys - r0, fc = xs - c0;
                v = static_cast<float>(reader.At(r0, c0) * (1 - fr) * (1 - fc) +
                                       reader.At(r0, c0 + 1) * (1 - fr) * fc +
                                       reader.At(r0 + 1, c0) * fr * (1 - fc) +
                                       reader.At(r0 + 1, c0 + 1) * fr * fc);
            }
            out[j] = RoundGrey(v);
        }
    }
    return plane;
}

std::vector<float> GaussianTaps(int n) {
    const int half = n / 2;
    const double sigma = half * 0.5;
    std::vector<double> w(static_cast<std::size_t>(n));
    double sum = 0.0;
    for (int k = -half; k <= half; ++k) {
        const double v = k == 0 ? 1.0 : std::exp(-(k * k) / (2.0 * sigma * sigma));
        w[static_cast<std::size_t>(k + half)] = v;
        sum += v;
    }
    std::vector<float> taps(w.size());
    for (std::size_t i = 0; i < w.size(); ++i) taps[i] = static_cast<float>(w[i] / sum);
    return taps;
}

void SmoothRow(const float* in, int n, const std::vector<float>& taps, std::vector<float>& padded,
               float* out) {
    const int half = static_cast<int>(taps.size()) / 2;
    const float* w = taps.data() + half;
    padded.resize(static_cast<std::size_t>(n + 2 * half));
    for (int k = 0; k < half; ++k) {
        padded[static_cast<std::size_t>(k)] = in[0];
        padded[static_cast<std::size_t>(n + half + k)] = in[n - 1];
    }
    std::copy(in, in + n, padded.begin() + half);
    // Kernel taps outermost so that the inner loops run over whole rows.
    const float* p = padded.data() + half;
    ScaleRow(out, p, w[0], n);
    for (int k = 1; k <= half; ++k) AddWeightedPair(out, p - k, p + k, w[k], n);
}

void SmoothPlane(FloatPlane& plane, const std::vector<float>& taps, FloatPlane& scratch) {
    if (plane.Empty()) return;
    const int half = static_cast<int>(taps.size()) / 2;
    const float* w = taps.data() + half; // w[k] for k = -half .. half
    const int rows = plane.rows, cols = plane.cols;

    // Along rows, in place through a padded copy of each row.
    std::vector<float> padded;
    for (int r = 0; r < rows; ++r) SmoothRow(plane.Row(r), cols, taps, padded, plane.Row(r));

    // Along columns into the scratch plane, which then becomes the result.
    if (scratch.rows != rows || scratch.cols != cols) scratch = FloatPlane(rows, cols);
    for (int r = 0; r < rows; ++r) {
        float* out = scratch.Row(r);
        const float* centre = plane.Row(r);
        ScaleRow(out, centre, w[0], cols);
        for (int k = 1; k <= half; ++k)
            AddWeightedPair(out, plane.Row(std::max(r - k, 0)),
                            plane.Row(std::min(r + k, rows - 1)), w[k], cols);
    }
    std::swap(plane.data, scratch.data);
}

FloatPlane HalvePlane(const FloatPlane& plane) {
    const int rows = plane.rows / 2, cols = plane.cols / 2;
    if (rows <= 0 || cols <= 0) return {};
    const int srcCols = plane.cols, srcRows = plane.rows;
    auto clampC = [srcCols](int c) { return std::min(std::max(c, 0), srcCols - 1); };
    auto clampR = [srcRows](int r) { return std::min(std::max(r, 0), srcRows - 1); };
    FloatPlane across(srcRows, cols);
    for (int r = 0; r < srcRows; ++r) {
        const float* in = plane.Row(r);
        float* out = across.Row(r);
        auto clamped = [&](int j) {
            const int x = 2 * j;
            return (in[clampC(x - 2)] + 4.0f * in[clampC(x - 1)] + 6.0f * in[x] +
                    4.0f * in[clampC(x + 1)] + in[clampC(x + 2)]) *
                   (1.0f / 16.0f);
        };
        // Columns whose five taps lie inside the row need no clamping.
        const int firstInner = 1, lastInner = (srcCols - 3) / 2;
        int j = 0;
        for (; j < std::min(firstInner, cols); ++j) out[j] = clamped(j);
        for (; j <= std::min(lastInner, cols - 1); ++j) {
            const float* p = in + 2 * j;
            out[j] = (p[-2] + 4.0f * p[-1] + 6.0f * p[0] + 4.0f * p[1] + p[2]) * (1.0f / 16.0f);
        }
        for (; j < cols; ++j) out[j] = clamped(j);
    }
    FloatPlane result(rows, cols);
    for (int i = 0; i < rows; ++i) {
        const int y = 2 * i;
        const float* a = across.Row(clampR(y - 2));
        const float* b = across.Row(clampR(y - 1));
        const float* m = across.Row(y);
        const float* d = across.Row(clampR(y + 1));
        const float* e = across.Row(clampR(y + 2));
        float* out = result.Row(i);
        for (int j = 0; j < cols; ++j)
            out[j] = (a[j] + 4.0f * b[j] + 6.0f * m[j] + 4.0f * d[j] + e[j]) * (1.0f / 16.0f);
    }
    return result;
}

float SampleBilinear(const FloatPlane& plane, double r, double c) {
    const int r0 = static_cast<int>(std::floor(r)), c0 = static_cast<int>(std::floor(c));
    const int r1 = std::min(r0 + 1, plane.rows - 1), c1 = std::min(c0 + 1, plane.cols - 1);
    const auto fr = static_cast<float>(r - r0), fc = static_cast<float>(c - c0);
    const float top = plane.At(r0, c0) + fc * (plane.At(r0, c1) - plane.At(r0, c0));
    const float bottom = plane.At(r1, c0) + fc * (plane.At(r1, c1) - plane.At(r1, c0));
    return top + fr * (bottom - top);
}

bool SampleWindow(const FloatPlane& plane, double r, double c, int size, float* out) {
    const double top = r - size / 2, left = c - size / 2;
    if (!(top >= 0.0 && left >= 0.0 && top + size - 1 <= plane.rows - 1 &&
          left + size - 1 <= plane.cols - 1))
        return false;
    const int r0 = static_cast<int>(top), c0 = static_cast<int>(left);
    const auto fr = static_cast<float>(top - r0), fc = static_cast<float>(left - c0);
    const float w00 = (1 - fr) * (1 - fc), w01 = (1 - fr) * fc, w10 = fr * (1 - fc), w11 = fr * fc;
    // A zero fraction never reads the next row or column, which may lie outside the plane.
    for (int i = 0; i < size; ++i) {
        const float* a = plane.Row(r0 + i) + c0;
        const float* b = fr != 0.0f ? plane.Row(r0 + i + 1) + c0 : a;
        float* o = out + static_cast<std::size_t>(i) * size;
        if (fc != 0.0f) {
            for (int j = 0; j < size; ++j)
                o[j] = w00 * a[j] + w01 * a[j + 1] + w10 * b[j] + w11 * b[j + 1];
        } else {
            for (int j = 0; j < size; ++j) o[j] = w00 * a[j] + w10 * b[j];
        }
    }
    return true;
}
