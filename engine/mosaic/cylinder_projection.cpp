#include "mosaic/cylinder_projection.h"

#include <climits>
#include <cmath>
#include <cstdint>
#include <vector>

#include "core/image_ops.h"
#include "core/image_ptr.h"
#include "core/parallel.h"
#include "mosaic/blend_rows.h"
#include "mosaic/blending.h"

using blend_detail::Channel;
using blend_detail::ChannelOf;
using blend_detail::ToByte;

namespace {

// Where each output column reads the source: the column (its integer part and fraction), the
// factor sqrt((F tan phi)^2 + F^2) that turns a cylinder height into a source row offset, and
// whether the column lies inside the source at all.
struct ColumnRay {
    int c0 = 0;
    double dc = 0.0;
    double stretch = 0.0;
    bool inside = false;
};

// The source centre along an axis of n pixels: (n - 1) / 2 + 0.5 with integer division.
double Centre(int n) {
    return static_cast<double>((n - 1) / 2) + 0.5;
}

std::vector<ColumnRay> ColumnRays(const CylinderGeometry& g, int sourceColumns) {
    std::vector<ColumnRay> rays(static_cast<std::size_t>(g.columns));
    const double step = 2.0 * g.theta / g.columns, cx = Centre(sourceColumns);
    const double lastC = sourceColumns - 1;
    for (int j = 0; j < g.columns; ++j) {
        const double phi = -g.theta + j * step;
        if (phi > g.theta) break;
        const double t = g.F * std::tan(phi);
        const double x = t + cx;
        ColumnRay& ray = rays[static_cast<std::size_t>(j)];
        ray.stretch = std::sqrt(t * t + g.F * g.F);
        ray.inside = x >= 0.0 && x <= lastC;
        if (!ray.inside) continue;
        const double fx = std::floor(x);
        ray.c0 = static_cast<int>(fx);
        ray.dc = x - fx;
    }
    return rays;
}

// The cylinder height of each output row, while it stays below hmax = (rows / 2) / F; rows
// beyond (only possible when rows / 2 is 0) are marked by a NaN height.
std::vector<double> RowHeights(const CylinderGeometry& g, int rows) {
    const double hmax = static_cast<double>(rows / 2) / g.F, step = 2.0 * hmax / rows;
    std::vector<double> heights(static_cast<std::size_t>(rows), std::nan(""));
    for (int i = 0; i < rows; ++i) {
        const double h = -hmax + i * step;
        if (!(h < hmax)) break;
        heights[static_cast<std::size_t>(i)] = h;
    }
    return heights;
}

// Calls f(i, j, r0, dr) for every output pixel whose ray meets the source: r0 and dr are the
// integer part and fraction of the source row (the column is in rays[j]). Rows are shared out
// over the engine's workers; each output row depends only on itself.
template <class F>
void ForEachRay(const CylinderGeometry& g, int rows, const std::vector<ColumnRay>& rays, F&& f) {
    const std::vector<double> heights = RowHeights(g, rows);
    const double cy = Centre(rows), lastR = rows - 1;
    ForRowBlocks(0, rows - 1, static_cast<std::int64_t>(rows) * g.columns,
                 [&](unsigned, int a, int b) {
                     for (int i = a; i <= b; ++i) {
                         const double h = heights[static_cast<std::size_t>(i)];
                         if (std::isnan(h)) continue;
                         for (int j = 0; j < g.columns; ++j) {
                             const ColumnRay& ray = rays[static_cast<std::size_t>(j)];
                             if (!ray.inside) continue;
                             const double y = ray.stretch * h + cy;
                             if (!(y >= 0.0 && y <= lastR)) continue;
                             const double fy = std::floor(y);
                             f(i, j, static_cast<int>(fy), y - fy);
                         }
                     }
                 });
}

// Sets every output pixel whose ray meets the source to the engine's bilinear read there (the
// pixel itself on the last row or column), for a source of NB bands; planar sources need
// neither offset nor pitch.
template <int NB, bool Planar>
void Sample(const CylinderGeometry& g, const N_ImageRec* image, const std::vector<ColumnRay>& rays,
            const Channel* source, unsigned char** const* target) {
    const int lastR = image->nrows - 1, lastC = image->ncolumns - 1;
    ForEachRay(g, image->nrows, rays, [&](int i, int j, int r0, double dr) {
        const ColumnRay& ray = rays[static_cast<std::size_t>(j)];
        const bool single = r0 + 1 > lastR || ray.c0 + 1 > lastC;
        const double dc = ray.dc;
        const double w00 = (1 - dr) * (1 - dc), w01 = (1 - dr) * dc, w10 = dr * (1 - dc),
                     w11 = dr * dc;
        for (int b = 0; b < NB; ++b) {
            const Channel& ch = source[b];
            const std::ptrdiff_t pitch = Planar ? 1 : ch.pitch;
            const unsigned char* upper = Planar ? ch.rows[r0] + ray.c0 : ch.At(r0, ray.c0);
            if (single) {
                target[b][i][j] = upper[0];
                continue;
            }
            const unsigned char* lower = upper + (ch.rows[r0 + 1] - ch.rows[r0]);
            target[b][i][j] =
                ToByte(upper[0] * w00 + upper[pitch] * w01 + lower[0] * w10 + lower[pitch] * w11);
        }
    });
}

} // namespace

bool CylinderGeometryFor(int rows, int columns, double f, CylinderGeometry* out) {
    // A focal length must be a positive finite length; 0 (no projection) is the caller's case.
    if (rows < 1 || columns < 1 || !std::isfinite(f) || !(f > 0.0)) return false;
    CylinderGeometry g;
    g.film_width = rows < columns ? 35.0 : columns * 35.0 / rows;
    g.theta = std::atan2(g.film_width / 2.0, f);
    g.F = columns / g.film_width * f;
    const double n = g.F * 2.0 * g.theta;
    if (!std::isfinite(g.F) || !(n >= 1.0) || n > static_cast<double>(INT_MAX / 4)) return false;
    g.columns = static_cast<int>(n);
    *out = g;
    return true;
}

NImage ProjectToCylinder(const N_ImageRec* image, double f, int background) {
    CylinderGeometry g;
    if (image == nullptr || image->repn != NUByteRepn ||
        (image->nbands != 1 && image->nbands != 3) ||
        !CylinderGeometryFor(image->nrows, image->ncolumns, f, &g))
        return nullptr;
    const int rows = image->nrows, columns = image->ncolumns, nbands = image->nbands;
    NImagePtr out(NCreateImage(nbands, rows, g.columns, NUByteRepn));
    // A new image is all zero already: a black background needs no fill.
    if (!out || NCopyImageAttrs(const_cast<N_ImageRec*>(image), out.get()) == nullptr ||
        (background != 0 && !NFillPacked(out.get(), background)))
        return nullptr;
    Channel source[3];
    unsigned char** target[3] = {nullptr, nullptr, nullptr};
    for (int b = 0; b < nbands; ++b) {
        source[b] = ChannelOf(image, MatchingBand(image, out.get(), b));
        target[b] = out->band_index[b];
    }
    const std::vector<ColumnRay> rays = ColumnRays(g, columns);
    if (nbands == 3)
        image->interleaved ? Sample<3, false>(g, image, rays, source, target)
                           : Sample<3, true>(g, image, rays, source, target);
    else
        image->interleaved ? Sample<1, false>(g, image, rays, source, target)
                           : Sample<1, true>(g, image, rays, source, target);
    return out.release();
}

NImage CylinderValidityMask(int rows, int columns, double f) {
    CylinderGeometry g;
    if (!CylinderGeometryFor(rows, columns, f, &g)) return nullptr;
    NImagePtr mask(NCreateImage(1, rows, g.columns, NUByteRepn));
    if (!mask) return nullptr;
    const std::vector<ColumnRay> rays = ColumnRays(g, columns);
    unsigned char** rowIndex = mask->band_index[0];
    ForEachRay(g, rows, rays, [&](int i, int j, int, double) { rowIndex[i][j] = 255; });
    return mask.release();
}

bool PointToCylinder(int rows, int columns, double f, double* r, double* c) {
    CylinderGeometry g;
    if (!CylinderGeometryFor(rows, columns, f, &g)) return false;
    const double cx = Centre(columns), cy = Centre(rows);
    const double x = *c - cx;
    const double column = g.F * std::atan2(x, g.F) + cx;
    const double row = (*r - cy) * g.F / std::sqrt(x * x + g.F * g.F) + cy;
    *r = row;
    *c = column;
    return true;
}
