// Radial lens distortion correction with the one-parameter model
//
//     source = p * (1 + kappa * |p|^2)
//
// in coordinates centred on the picture (x to the right, y down). The corrected picture is
// rendered by inverse mapping: every output pixel samples the input where the model sends it.
// The output rectangles need the opposite direction (where does an input point end up?),
// which a short fixed-point iteration answers; its progress is printed as diagnostics.

#include "stitchkit/MFCLensCalib.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "core/guard.h"
#include "core/image_ptr.h"
#include "core/image_record.h"
#include "core/report.h"

namespace {

// Output rectangles may grow at most this much against the input in either dimension; a
// larger one comes from a kappa far outside any real lens and is refused rather than
// allocated.
constexpr double kMaxGrowth = 4.0;

// Rounds of the point inversion, and the residual (pixels) at which it stops.
constexpr int kInversionRounds = 20;
constexpr double kInversionTolerance = 0.5;

struct LensPoint {
    double x;
    double y;
};

struct LensRect {
    double x0;
    double y0;
    double x1;
    double y1;
};

// The input rectangle of a columns x rows picture, centred on the picture.
LensRect CentredRect(int columns, int rows) {
    const double x0 = -(columns - 1) / 2.0;
    const double y0 = -(rows - 1) / 2.0;
    return {x0, y0, columns + x0, rows + y0};
}

// Finds p with p * (1 + kappa |p|^2) close to q (within half a pixel per component) by the
// fixed-point iteration p = q - kappa |p|^2 p. A residual that grows means the iteration
// diverges (kappa too strong for q); the last estimate is then kept.
LensPoint InvertPoint(LensPoint q, double kappa) {
    NPrintf("%lf, %lf\n", q.x, q.y);
    const double q2 = q.x * q.x + q.y * q.y;
    double dx = kappa * q2 * q.x;
    double dy = kappa * q2 * q.y;
    NPrintf("Initial: (dx0, dy0) = (%lf, %lf)\n", dx, dy);

    LensPoint p = q;
    double ex = 0.0, ey = 0.0;
    double previousEx = 0.0, previousEy = 0.0;
    for (int round = 0; round < kInversionRounds; ++round) {
        p = {q.x - dx, q.y - dy};
        const double p2 = p.x * p.x + p.y * p.y;
        ex = q.x - p.x * (1.0 + kappa * p2);
        ey = q.y - p.y * (1.0 + kappa * p2);
        if (std::fabs(ex) <= kInversionTolerance && std::fabs(ey) <= kInversionTolerance) break;
        if (round > 0 &&
            (std::fabs(ex) > std::fabs(previousEx) || std::fabs(ey) > std::fabs(previousEy))) {
            NPrintf("Error:%lf %lf (%.12lf %.12lf)\n", ex, ey, p.x, p.y);
            break;
        }
        NPrintf("%d:%lf %lf (%.12lf %.12lf)\n", round, ex, ey, p.x, p.y);
        dx = kappa * p2 * p.x;
        dy = kappa * p2 * p.y;
        previousEx = ex;
        previousEy = ey;
    }
    NPrintf("Final:%lf %lf (%.12lf %.12lf)\n", ex, ey, p.x, p.y);
    NPrintf("Kappa:%e\n\n", kappa);
    return p;
}

// The rectangle through the corrected positions of two opposite corners.
LensRect MapCorners(const LensRect& r, double kappa) {
    const LensPoint a = InvertPoint({r.x0, r.y0}, kappa);
    const LensPoint b = InvertPoint({r.x1, r.y1}, kappa);
    return {a.x, a.y, b.x, b.y};
}

// The rectangle through the corrected positions of the four edge midpoints.
LensRect MapMidpoints(const LensRect& r, double kappa) {
    const LensPoint left = InvertPoint({r.x0, 0.0}, kappa);
    const LensPoint top = InvertPoint({0.0, r.y0}, kappa);
    const LensPoint right = InvertPoint({r.x1, 0.0}, kappa);
    const LensPoint bottom = InvertPoint({0.0, r.y1}, kappa);
    return {left.x, top.y, right.x, bottom.y};
}

bool IsFinite(const LensRect& r) {
    return std::isfinite(r.x0) && std::isfinite(r.y0) && std::isfinite(r.x1) && std::isfinite(r.y1);
}

// An input view from the adapter: interleaved views are released without their pixels (they
// belong to the adapter), anything else as an ordinary image.
struct InputImageDeleter {
    void operator()(N_ImageRec* image) const noexcept {
        if (image->interleaved) {
            NDestroyDIBImage(image);
        } else {
            NDestroyImage(image);
        }
    }
};
using InputImagePtr = std::unique_ptr<N_ImageRec, InputImageDeleter>;

InputImagePtr ConvertInput(IImageAdapter* adapter) {
    try {
        return InputImagePtr(adapter->ToNILDIB(true));
    } catch (const CBmpAdapterException&) {
        return nullptr;
    }
}

// The background colour packed as red * 65536 + green * 256 + blue, as the bytes of one
// interleaved pixel: blue, green, red for three bands, green alone for one band (the same
// rule that fills every engine canvas); other band counts stay 0.
std::vector<unsigned char> BackgroundPixel(DWORD packed, int nbands) {
    std::vector<unsigned char> pixel(static_cast<std::size_t>(nbands), 0);
    const auto red = static_cast<unsigned char>((packed >> 16) & 255);
    const auto green = static_cast<unsigned char>((packed >> 8) & 255);
    const auto blue = static_cast<unsigned char>(packed & 255);
    if (nbands == 3) {
        pixel = {blue, green, red};
    } else if (nbands == 1) {
        pixel[0] = green;
    }
    return pixel;
}

// The per-column and per-row terms of the output positions: the centred (and scaled)
// coordinate and its square.
struct Axis {
    std::vector<double> position;
    std::vector<double> square;
};

Axis MakeAxis(int count, double scale) {
    Axis axis;
    axis.position.resize(static_cast<std::size_t>(count));
    axis.square.resize(static_cast<std::size_t>(count));
    // Whole-pixel half size, matching the source offset below, so that the centre pixel sits
    // at the model's origin and kappa = 0 maps every pixel onto itself.
    const int half = count / 2;
    for (int k = 0; k < count; ++k) {
        const double v = (k - half) * scale;
        axis.position[static_cast<std::size_t>(k)] = v;
        axis.square[static_cast<std::size_t>(k)] = v * v;
    }
    return axis;
}

// Renders the corrected picture. Each output pixel samples the input at the model's source
// position; a position within columns 0 .. columns - 2 and rows 0 .. rows - 2 gets the
// bilinear interpolation of its four neighbours (truncated), anything else the background.
template <int NBands>
void Render(const N_ImageRec& input, N_ImageRec& output, double kappa, const Axis& xs,
            const Axis& ys, const unsigned char* background, int runtimeBands) {
    const int nbands = NBands > 0 ? NBands : runtimeBands;
    const double columnOffset = input.ncolumns / 2;
    const double rowOffset = input.nrows / 2;
    const double lastColumn = input.ncolumns - 2.0;
    const double lastRow = input.nrows - 2.0;
    const int width = output.ncolumns;

    for (int i = 0; i < output.nrows; ++i) {
        const double y = ys.position[static_cast<std::size_t>(i)];
        const double y2 = ys.square[static_cast<std::size_t>(i)];
        unsigned char* dst = output.row_index[i];
        for (int j = 0; j < width; ++j, dst += nbands) {
            const double factor = 1.0 + kappa * (xs.square[static_cast<std::size_t>(j)] + y2);
            const double column = xs.position[static_cast<std::size_t>(j)] * factor + columnOffset;
            const double row = y * factor + rowOffset;
            if (!(column >= 0.0 && column <= lastColumn && row >= 0.0 && row <= lastRow)) {
                for (int b = 0; b < nbands; ++b) dst[b] = background[b];
                continue;
            }
            const int c0 = static_cast<int>(column);
            const int r0 = static_cast<int>(row);
            const double dc = column - c0;
            const double dr = row - r0;
            const unsigned char* upper =
                input.row_index[r0] + static_cast<std::ptrdiff_t>(c0) * nbands;
            const unsigned char* lower =
                input.row_index[r0 + 1] + static_cast<std::ptrdiff_t>(c0) * nbands;
            for (int b = 0; b < nbands; ++b) {
                // Interpolated as two lerps so that equal neighbours give exactly their value
                // (a weighted sum of four could land just below it and truncate one lower).
                const double top = upper[b] + (upper[b + nbands] - upper[b]) * dc;
                const double bottom = lower[b] + (lower[b + nbands] - lower[b]) * dc;
                dst[b] = static_cast<unsigned char>(static_cast<int>(top + (bottom - top) * dr));
            }
        }
    }
}

} // namespace

double MFCLensCalib::CalcMaxKappa(int width, int height) {
    // A picture one pixel wide (or empty) has no half width to move a point onto: no
    // correction is possible.
    if (width < 2 || height < 1) return 0.0;
    const double x = (width - 1) * 0.5;
    const double bigX = 1.5 * x;
    const double bigY = 1.5 * (height - 1) * 0.5;
    const double kappa = std::fabs((x - bigX) / ((bigX * bigX + bigY * bigY) * bigX));
    return std::isfinite(kappa) ? kappa : 0.0;
}

CSize MFCLensCalib::CalcInnerRect(CSize size, double kappa) {
    if (size.cx < 1 || size.cy < 1 || !std::isfinite(kappa)) return CSize{0, 0};
    const LensRect input = CentredRect(size.cx, size.cy);
    const LensRect r = kappa >= 0.0 ? MapCorners(input, kappa) : MapMidpoints(input, kappa);

    // Whole pixels strictly inside the mapped rectangle, less one on each side; never more
    // than 1.5 times the picture, never negative.
    const auto inner = [](double low, double high, int extent) {
        const double limit = std::trunc(1.5 * extent);
        const double value = std::trunc(high) - std::ceil(low) - 2.0;
        if (std::isnan(value)) return 0;
        return static_cast<int>(std::clamp(value, 0.0, limit));
    };
    return CSize{inner(r.x0, r.x1, size.cx), inner(r.y0, r.y1, size.cy)};
}

bool MFCLensCalib::OutputSize(int columns, int rows, double kappa, int& width, int& height) {
    const LensRect input = CentredRect(columns, rows);
    LensRect r = input;
    switch (m_outputRectType) {
    case OutputRectOuter:
    case OutputRectScaled:
        r = kappa < 0.0 ? MapCorners(input, kappa) : MapMidpoints(input, kappa);
        break;
    case OutputRectInner:
        r = kappa >= 0.0 ? MapCorners(input, kappa) : MapMidpoints(input, kappa);
        r = {r.x0 + 1.0, r.y0 + 1.0, r.x1 - 1.0, r.y1 - 1.0};
        break;
    default: // OutputRectNone: the input's own rectangle
        break;
    }
    if (!IsFinite(r)) return false;

    const double w = std::round(r.x1 - r.x0);
    const double h = std::round(r.y1 - r.y0);
    if (!(w >= 1.0 && h >= 1.0 && w <= kMaxGrowth * columns && h <= kMaxGrowth * rows)) {
        return false;
    }
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    if (m_outputRectType == OutputRectScaled) {
        m_scaleX = static_cast<double>(width) / columns;
        m_scaleY = static_cast<double>(height) / rows;
    }
    return true;
}

int MFCLensCalib::Correct(const N_ImageRec& input, IImageAdapter* out, double kappa) {
    if (!input.interleaved || input.repn != NUByteRepn || input.nbands < 1 || input.nrows < 1 ||
        input.ncolumns < 1 || !std::isfinite(kappa)) {
        return 0;
    }
    int width = 0, height = 0;
    if (!OutputSize(input.ncolumns, input.nrows, kappa, width, height)) return 0;
    const bool scaled = m_outputRectType == OutputRectScaled;
    const Axis xs = MakeAxis(width, scaled ? m_scaleX : 1.0);
    const Axis ys = MakeAxis(height, scaled ? m_scaleY : 1.0);

    // The output's pixels are its own until they are handed to the out adapter.
    NImagePtr output(NCreateDIBImage(input.nbands, height, width, NUByteRepn, nullptr));
    if (!output) return 0;
    output->owns_data = 1;

    const std::vector<unsigned char> background = BackgroundPixel(m_backColor, input.nbands);
    switch (input.nbands) {
    case 1:
        Render<1>(input, *output, kappa, xs, ys, background.data(), 1);
        break;
    case 3:
        Render<3>(input, *output, kappa, xs, ys, background.data(), 3);
        break;
    default:
        Render<0>(input, *output, kappa, xs, ys, background.data(), input.nbands);
        break;
    }

    // The out adapter takes the pixel memory; only the record is released here.
    output->owns_data = 0;
    try {
        out->FromNILDIB(output.get(), nullptr);
    } catch (const CBmpAdapterException&) {
        output->owns_data = 1;
        return 0;
    }
    NDIBImagePtr handedOver(output.release());
    return 1;
}

// An exception (no memory, an adapter that throws) is a correction not made: 0.
int MFCLensCalib::Execute(IImageAdapter* out, double kappa) {
    if (m_image == nullptr || out == nullptr) return 0;
    return Guarded(0, 0, [&] {
        const InputImagePtr input = ConvertInput(m_image);
        return input ? Correct(*input, out, kappa) : 0;
    });
}

int MFCLensCalib::Execute(IImageAdapter* out, int percent) {
    if (m_image == nullptr || out == nullptr) return 0;
    return Guarded(0, 0, [&] {
        const InputImagePtr input = ConvertInput(m_image);
        if (!input) return 0;
        const int p = std::clamp(percent, -100, 100);
        const double kappa = CalcMaxKappa(input->ncolumns, input->nrows) * p * 0.01;
        return Correct(*input, out, kappa);
    });
}
