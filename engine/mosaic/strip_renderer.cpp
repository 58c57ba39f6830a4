#include "mosaic/strip_renderer.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <new>
#include <utility>

#include "core/image_ops.h"
#include "core/image_ptr.h"
#include "core/parallel.h"
#include "core/progress_sink.h"
#include "mosaic/blend_rows.h"
#include "mosaic/blending.h"
#include "mosaic/cylinder_projection.h"

using blend_detail::Channel;
using blend_detail::ChannelOf;
using blend_detail::ToByte;

namespace {

constexpr int kBlendingDescription = 30009; // "Blending: image %d of %d images."

// Canvases whose side exceeds this are refused as out of memory before any allocation.
constexpr double kMaxCanvasSide = 1 << 20;

// The composite being laid: a planar ubyte image and one coverage byte per pixel (0 empty).
struct Canvas {
    NImagePtr output;
    std::vector<unsigned char> coverage;
    int rows = 0;
    int columns = 0;
};

// How an image's pixels reach the canvas.
struct Placement {
    bool integer = true; // source pixel (y, x) lands on canvas pixel (top + y, left + x)
    int top = 0;
    int left = 0;
    Homography8 to_source;  // otherwise: canvas (row, unwrapped column) -> source point
    PixelRect rect;         // canvas rows and unwrapped columns to visit
    bool paste_all = false; // integer only: every pixel written, the valid ones covered
};

// How a covered pixel is blended.
struct Blend {
    // The ramp, read at (source column or canvas column) - shift, clamped into it.
    std::vector<RampWeight> ramp{RampWeight{255.0, 255.0}};
    int shift = 0;
    bool by_source = true;
    // Pixels wrapped onto the start of a closed turn take centre-distance weights instead.
    int turn = 0;               // canvas width of one turn; 0 without wrap
    double turn_fraction = 0.0; // the turn's length less that width, in [0, 1)
    int level = kBlendGradual;
    CanvasCentre centre;
    std::vector<CanvasCentre> earlier;
};

// Weights of a covered pixel by squared distances to the new image's centre (dk) and to the
// nearest earlier centre (dp). Level none gives the new image only the pixels strictly nearer
// its own centre; powers beyond the double range fall back to that rule.
RampWeight CentreWeights(int level, std::int64_t dp, std::int64_t dk) {
    const double p = static_cast<double>(dp), k = static_cast<double>(dk);
    RampWeight w;
    switch (level) {
    case kBlendHalf:
        w = {255.0, 255.0};
        break;
    case kBlendSteep: {
        const double p4 = p * p * p * p, k4 = k * k * k * k;
        w = {p4 * p4, k4 * k4};
        break;
    }
    case kBlendNone:
        w = {dp > dk ? 255.0 : 0.0, dp > dk ? 0.0 : 255.0};
        break;
    default:
        w = {p * p * p * p, k * k * k * k};
        break;
    }
    if (!std::isfinite(w.w0 + w.w1)) w = {dp > dk ? 255.0 : 0.0, dp > dk ? 0.0 : 255.0};
    return w;
}

// Centre-distance weights of pixel (r, c) of a closed turn; cu is the pixel's column before
// wrapping. Distances to earlier centres take the shorter way round the turn.
RampWeight TurnWeights(const Blend& blend, int r, std::int64_t cu, int c) {
    const std::int64_t kr = r - blend.centre.r, kc = cu - blend.centre.c;
    const std::int64_t dk = kr * kr + kc * kc;
    std::int64_t dp = blend.earlier.empty() ? dk : std::numeric_limits<std::int64_t>::max();
    for (const CanvasCentre& e : blend.earlier) {
        const std::int64_t dr = r - e.r;
        const std::int64_t dc = std::abs(static_cast<std::int64_t>(c) - e.c);
        const std::int64_t dw = std::min(dc, std::abs(dc - blend.turn));
        dp = std::min(dp, dr * dr + dw * dw);
    }
    return CentreWeights(blend.level, dp, dk);
}

// Everything one image's laying needs, shared by its rows.
struct LayJob {
    Canvas* canvas = nullptr;
    const Placement* place = nullptr;
    const Blend* blend = nullptr;
    Channel source[3];
    unsigned char** target[3] = {nullptr, nullptr, nullptr};
    int nbands = 0;
    int R = 0;
    int C = 0;
    unsigned char* const* valid = nullptr; // validity rows, or null: every pixel valid
};

// Pixel (r, c) of a channel; planar channels need neither offset nor pitch.
template <bool Planar> const unsigned char* PixelOf(const Channel& ch, int r, int c) {
    if constexpr (Planar) return ch.rows[r] + c;
    return ch.At(r, c);
}

// Lays row r, unwrapped columns cu0 .. cu1, all of which land `turns` turns back on the canvas
// (canvas column c = cu - turns x turn width), for a source of NB bands. Returns how many empty
// canvas pixels held a non-zero first band.
template <bool Integer, int NB, bool Planar>
std::int64_t LayRun(const LayJob& job, int r, int cu0, int cu1, int turns) {
    const Placement& place = *job.place;
    const Blend& blend = *job.blend;
    constexpr int nbands = NB;
    const int R = job.R, C = job.C;
    const double lastR = R - 1, lastC = C - 1;
    const int rampLast = static_cast<int>(blend.ramp.size()) - 1;
    const double* h = place.to_source.h;
    const bool affine = h[6] == 0.0 && h[7] == 0.0;
    const double xr = h[1] * r + h[2], yr = h[4] * r + h[5], wr = h[7] * r + 1.0;
    // A wrapped pixel shows the point a whole number of turns away, each turn its exact
    // length: the canvas width alone would misplace the wrapped part by the fraction of a
    // pixel it drops.
    const double shift = turns * blend.turn_fraction;
    const int back = turns * blend.turn;
    unsigned char* coverage =
        job.canvas->coverage.data() + static_cast<std::size_t>(r) * job.canvas->columns;
    unsigned char* out[3];
    for (int band = 0; band < nbands; ++band) out[band] = job.target[band][r];
    std::int64_t misses = 0;
    for (int cu = cu0; cu <= cu1; ++cu) {
        const int c = cu - back;
        double value[3];
        int column = 0; // source column of the sample (its integer part)
        bool usable = true;
        if constexpr (Integer) {
            const int y = r - place.top, x = cu - place.left;
            column = x;
            usable = job.valid == nullptr || job.valid[y][x] != 0;
            if (!usable && !place.paste_all) continue;
            for (int band = 0; band < nbands; ++band)
                value[band] = *PixelOf<Planar>(job.source[band], y, x);
        } else {
            const double at = cu + shift;
            double x = h[0] * at + xr, y = h[3] * at + yr;
            if (!affine) {
                const double w = h[6] * at + wr;
                if (w == 0.0) continue;
                x /= w;
                y /= w;
            }
            if (!(y >= 0.0 && y <= lastR && x >= 0.0 && x <= lastC)) continue;
            const int r0 = static_cast<int>(y), c0 = static_cast<int>(x);
            const int r1 = std::min(r0 + 1, R - 1), c1 = std::min(c0 + 1, C - 1);
            // Used only where all four neighbours came from the source picture.
            if (job.valid != nullptr && (job.valid[r0][c0] == 0 || job.valid[r0][c1] == 0 ||
                                         job.valid[r1][c0] == 0 || job.valid[r1][c1] == 0))
                continue;
            column = c0;
            const double dr = y - r0, dc = x - c0;
            if (r0 + 1 > R - 1 || c0 + 1 > C - 1) {
                // The engine's bilinear read takes the pixel itself on the last row or column.
                for (int band = 0; band < nbands; ++band)
                    value[band] = *job.source[band].At(r0, c0);
            } else {
                const double w00 = (1 - dr) * (1 - dc), w01 = (1 - dr) * dc;
                const double w10 = dr * (1 - dc), w11 = dr * dc;
                for (int band = 0; band < nbands; ++band) {
                    const Channel& ch = job.source[band];
                    const std::ptrdiff_t pitch = Planar ? 1 : ch.pitch;
                    const unsigned char* upper = PixelOf<Planar>(ch, r0, c0);
                    const unsigned char* lower = PixelOf<Planar>(ch, r0 + 1, c0);
                    value[band] =
                        upper[0] * w00 + upper[pitch] * w01 + lower[0] * w10 + lower[pitch] * w11;
                }
            }
        }
        if (place.paste_all) {
            for (int band = 0; band < nbands; ++band) out[band][c] = ToByte(value[band]);
            if (usable) coverage[c] = 255;
            continue;
        }
        if (coverage[c] == 0) {
            if (out[0][c] != 0) ++misses;
            for (int band = 0; band < nbands; ++band) out[band][c] = ToByte(value[band]);
            coverage[c] = 255;
            continue;
        }
        RampWeight w;
        if (turns != 0) {
            w = TurnWeights(blend, r, cu, c);
        } else {
            const int index = (blend.by_source ? column : cu) - blend.shift;
            w = blend.ramp[static_cast<std::size_t>(std::clamp(index, 0, rampLast))];
        }
        const double sum = w.w0 + w.w1;
        if (sum == 0.0) continue; // no weight on either side: the canvas keeps its value
        for (int band = 0; band < nbands; ++band)
            out[band][c] = ToByte((w.w0 * value[band] + w.w1 * out[band][c]) / sum);
    }
    return misses;
}

// Floor division of a column by the turn width: how many turns it lies beyond the canvas.
int TurnsOf(int cu, int turn) {
    return cu >= 0 ? cu / turn : -((-cu + turn - 1) / turn);
}

// Lays the rows of `rect` (columns unwrapped) over the engine's workers.
template <int NB, bool Planar> std::int64_t LayRows(const LayJob& job, const PixelRect& rect) {
    const Placement& place = *job.place;
    const Blend& blend = *job.blend;
    std::vector<std::int64_t> wrong(EngineThreads() + 1, 0);
    const std::int64_t work =
        static_cast<std::int64_t>(rect.r1 - rect.r0 + 1) * (rect.c1 - rect.c0 + 1);
    ForRowBlocks(rect.r0, rect.r1, work, [&](unsigned block, int a, int b) {
        std::int64_t misses = 0;
        for (int r = a; r <= b; ++r) {
            if (place.integer) {
                misses += LayRun<true, NB, Planar>(job, r, rect.c0, rect.c1, 0);
                continue;
            }
            if (blend.turn == 0) {
                misses += LayRun<false, NB, Planar>(job, r, rect.c0, rect.c1, 0);
                continue;
            }
            // The columns split into runs that lie the same number of turns beyond the canvas.
            for (int cu = rect.c0; cu <= rect.c1;) {
                const int turns = TurnsOf(cu, blend.turn);
                const int end = std::min(rect.c1, (turns + 1) * blend.turn - 1);
                misses += LayRun<false, NB, Planar>(job, r, cu, end, turns);
                cu = end + 1;
            }
        }
        wrong[block] += misses;
    });
    std::int64_t total = 0;
    for (std::int64_t n : wrong) total += n;
    return total;
}

// Lays one image. Pixels the source (and its validity mask) does not cover are skipped; an
// empty canvas pixel takes the sample, a covered one the weighted mean (w0 new + w1 old) /
// (w0 + w1), kept as it is when both weights are 0. Returns how many empty pixels were found
// holding a non-zero first band (a check of the coverage bookkeeping).
std::int64_t LayImage(Canvas& canvas, const N_ImageRec* image, const N_ImageRec* validity,
                      const Placement& place, const Blend& blend) {
    LayJob job;
    job.canvas = &canvas;
    job.place = &place;
    job.blend = &blend;
    job.nbands = canvas.output->nbands;
    job.R = image->nrows;
    job.C = image->ncolumns;
    for (int b = 0; b < job.nbands; ++b) {
        job.source[b] = ChannelOf(image, MatchingBand(image, canvas.output.get(), b));
        job.target[b] = canvas.output->band_index[b];
    }
    job.valid = validity != nullptr ? validity->band_index[0] : nullptr;

    PixelRect rect = place.rect;
    if (place.integer) {
        rect = {std::max(rect.r0, place.top), std::max(rect.c0, place.left),
                std::min(rect.r1, place.top + job.R - 1),
                std::min(rect.c1, place.left + job.C - 1)};
    }
    rect.r0 = std::max(rect.r0, 0);
    rect.r1 = std::min(rect.r1, canvas.rows - 1);
    if (blend.turn == 0) {
        rect.c0 = std::max(rect.c0, 0);
        rect.c1 = std::min(rect.c1, canvas.columns - 1);
    }
    if (rect.r1 < rect.r0 || rect.c1 < rect.c0) return 0;

    return job.nbands == 3
               ? (image->interleaved ? LayRows<3, false>(job, rect) : LayRows<3, true>(job, rect))
               : (image->interleaved ? LayRows<1, false>(job, rect) : LayRows<1, true>(job, rect));
}

// The context's images, taken out of its list: they are released one by one as they are laid,
// since delivery and the reset of the context follow the laying.
std::vector<NImagePtr> TakeImages(MosaicContext& context) {
    std::vector<NImagePtr> images;
    context.base_image = nullptr;
    while (context.images != nullptr) {
        N_ImageRec* image = nullptr;
        if (!NExtractAttr(context.images, kImageAttrName, nullptr, NImageRepn, &image, false) ||
            image == nullptr)
            break;
        images.emplace_back(image);
    }
    return images;
}

// Every image ubyte with one or three bands and of one size, one record per image.
bool Consistent(const MosaicContext& context, const std::vector<NImagePtr>& images) {
    if (images.empty() || images.size() != context.records.size()) return false;
    const N_ImageRec* first = images.front().get();
    if (first->nbands != 1 && first->nbands != 3) return false;
    return std::all_of(images.begin(), images.end(), [&](const NImagePtr& image) {
        return image->repn == NUByteRepn && image->nbands == first->nbands &&
               image->nrows == first->nrows && image->ncolumns == first->ncolumns;
    });
}

// The empty composite filled with the background colour: three bands with the base image's
// attributes for colour, else one band. 3 when it cannot be had.
int MakeCanvas(Canvas& canvas, const N_ImageRec* base, double rows, double columns,
               int background) {
    if (!(rows >= 1.0 && columns >= 1.0)) return 12;
    const int nbands = base->nbands == 3 ? 3 : 1;
    if (rows > kMaxCanvasSide || columns > kMaxCanvasSide ||
        nbands * rows * columns > static_cast<double>(UINT32_MAX))
        return 3;
    canvas.rows = static_cast<int>(rows);
    canvas.columns = static_cast<int>(columns);
    canvas.output.reset(NCreateImage(nbands, canvas.rows, canvas.columns, NUByteRepn));
    if (!canvas.output) return 3;
    if (nbands == 3 &&
        NCopyImageAttrs(const_cast<N_ImageRec*>(base), canvas.output.get()) == nullptr)
        return 3;
    // A new image is all zero already: a black background needs no fill.
    if (background != 0 && !NFillPacked(canvas.output.get(), background)) return 3;
    canvas.coverage.assign(static_cast<std::size_t>(canvas.rows) * canvas.columns, 0);
    return 0;
}

// The validity mask of projected images (null when the images were not projected): 0 or 3.
int ValidityMask(const MosaicContext& context, int rows, int columns, NImagePtr* mask) {
    if (context.columns_before_cylinder <= 0) return 0;
    mask->reset(
        CylinderValidityMask(rows, context.columns_before_cylinder, context.cylinder_focal));
    if (!*mask) return 3;
    return (*mask)->nrows == rows && (*mask)->ncolumns == columns ? 0 : 12;
}

// The ramp of image k against image k-1 on a cylinder: (dr, dc) is image k's position in image
// k-1's frame; the ramp spans the columns - floor(|dc|) columns the two share and is read at
// the source column less max(0, trunc(-dc)).
bool CylinderRamp(int level, const MosaicImageRecord& record, int columns, Blend* blend) {
    const double dc = record.prev_inverse.h[2];
    if (!std::isfinite(dc)) return false;
    const double width = std::max(1.0, columns - std::floor(std::abs(dc)));
    blend->ramp = LevelRamp(level, static_cast<int>(std::min(width, kMaxCanvasSide)), dc > 0.0);
    blend->shift = static_cast<int>(std::min(std::max(0.0, std::trunc(-dc)), kMaxCanvasSide));
    blend->by_source = true;
    return true;
}

// The four corners (0, 0), (0, C-1), (R-1, C-1), (R-1, 0) through a transform; false when one
// is not finite.
bool MapCorners(const Homography8& transform, int rows, int columns,
                std::array<CanvasPoint, 4>* out) {
    const double R = rows - 1, C = columns - 1;
    const CanvasPoint corners[4] = {{0, 0}, {0, C}, {R, C}, {R, 0}};
    for (int k = 0; k < 4; ++k) {
        CanvasPoint& p = (*out)[static_cast<std::size_t>(k)];
        if (!transform.Apply(corners[k].r, corners[k].c, &p.r, &p.c)) return false;
        if (!std::isfinite(p.r) || !std::isfinite(p.c)) return false;
    }
    return true;
}

// Lays every image by its placement and blend, releasing each once laid. Positions from
// + (k + 1) (to - from) / count after image k >= 1.
int LayAll(MosaicContext& context, std::vector<NImagePtr>& images, const N_ImageRec* validity,
           Canvas& canvas, const std::vector<Placement>& places, const std::vector<Blend>& blends,
           ProgressSink* sink, int from, int to) {
    const int count = static_cast<int>(images.size());
    const int step = (to - from) / count;
    for (int k = 0; k < count; ++k) {
        const auto i = static_cast<std::size_t>(k);
        ProgressDescribeFrames(sink, kBlendingDescription, k + 1, count);
        if (LayImage(canvas, images[i].get(), validity, places[i], blends[i]) > 0)
            std::fputs("Wrong\n", stdout);
        images[i].reset();
        if (k > 0 && ProgressSetPos(sink, from + (k + 1) * step) != 0) return kProgressCancelled;
    }
    context.covered = CoverageExtent(canvas.coverage, canvas.rows, canvas.columns);
    canvas.coverage = std::vector<unsigned char>();
    NDestroyImage(std::exchange(context.output, canvas.output.release()));
    return 0;
}

// The cylinder renderer: integer translations, image 0 pasted whole.
int LayCylinder(MosaicContext& context, std::vector<NImagePtr>& images, ProgressSink* sink,
                int from, int to) {
    const int count = static_cast<int>(images.size());
    const int rows = images[0]->nrows, columns = images[0]->ncolumns;
    NImagePtr validity;
    if (const int code = ValidityMask(context, rows, columns, &validity); code != 0) return code;
    double minR = 0.0, maxR = 0.0, minC = 0.0, maxC = 0.0;
    for (const MosaicImageRecord& record : context.records) {
        const double tr = record.to_canvas.h[5], tc = record.to_canvas.h[2];
        if (!std::isfinite(tr) || !std::isfinite(tc)) return 12;
        minR = std::min(minR, tr);
        maxR = std::max(maxR, tr);
        minC = std::min(minC, tc);
        maxC = std::max(maxC, tc);
    }
    const double offR = std::max(0.0, -std::floor(minR)), offC = std::max(0.0, -std::floor(minC));
    const double height = offR + std::floor(maxR) + rows, width = offC + std::floor(maxC) + columns;
    Canvas canvas;
    if (const int code = MakeCanvas(canvas, images[0].get(), height, width, context.background);
        code != 0)
        return code;
    std::vector<Placement> places(static_cast<std::size_t>(count));
    std::vector<Blend> blends(static_cast<std::size_t>(count));
    for (int k = 0; k < count; ++k) {
        const auto i = static_cast<std::size_t>(k);
        const MosaicImageRecord& record = context.records[i];
        Placement& place = places[i];
        place.top = static_cast<int>(std::floor(record.to_canvas.h[5]) + offR);
        place.left = static_cast<int>(std::floor(record.to_canvas.h[2]) + offC);
        place.rect = {place.top, place.left, place.top + rows - 1, place.left + columns - 1};
        place.paste_all = k == 0;
        if (k > 0 && !CylinderRamp(context.blend_level, record, columns, &blends[i])) return 12;
    }
    return LayAll(context, images, validity.get(), canvas, places, blends, sink, from, to);
}

// Image k's horizontal displacement from image k-1: its centre in image k-1's frame less the
// centre itself.
double Displacement(const MosaicImageRecord& record, int rows, int columns) {
    const double cr = (rows - 1) / 2.0, cc = (columns - 1) / 2.0;
    double r = cr, c = cc;
    if (!record.prev_inverse.Apply(cr, cc, &r, &c)) return 0.0;
    return c - cc;
}

// The strip renderer of models 5 and 6.
int LayStrip(MosaicContext& context, MotionModel model, std::vector<NImagePtr>& images,
             ProgressSink* sink, int from, int to) {
    const int count = static_cast<int>(images.size());
    const int rows = images[0]->nrows, columns = images[0]->ncolumns;
    std::vector<std::array<CanvasPoint, 4>> corners(static_cast<std::size_t>(count));
    // The base rectangle (one beyond its last row and column) and every mapped corner.
    double minR = 0.0, maxR = rows, minC = 0.0, maxC = columns;
    for (int k = 0; k < count; ++k) {
        auto& c = corners[static_cast<std::size_t>(k)];
        if (!MapCorners(context.records[static_cast<std::size_t>(k)].to_canvas, rows, columns, &c))
            return 7;
        for (const CanvasPoint& p : c) {
            minR = std::min(minR, p.r);
            maxR = std::max(maxR, p.r);
            minC = std::min(minC, p.c);
            maxC = std::max(maxC, p.c);
        }
    }
    const double height = std::ceil(maxR) - std::floor(minR) + 1.0;
    const double width = std::ceil(maxC) - std::floor(minC) + 1.0;
    const double offR = std::ceil(-minR), offC = std::ceil(-minC);
    Canvas canvas;
    if (const int code = MakeCanvas(canvas, images[0].get(), height, width, context.background);
        code != 0)
        return code;
    const Homography8 unshift = Homography8::Translation(-offR, -offC);
    std::vector<CanvasBox> boxes(static_cast<std::size_t>(count));
    std::vector<Placement> places(static_cast<std::size_t>(count));
    std::vector<Blend> blends(static_cast<std::size_t>(count));
    for (int k = 0; k < count; ++k) {
        const auto i = static_cast<std::size_t>(k);
        const MosaicImageRecord& record = context.records[i];
        CanvasPoint shifted[4];
        for (int n = 0; n < 4; ++n)
            shifted[n] = {corners[i][static_cast<std::size_t>(n)].r + offR,
                          corners[i][static_cast<std::size_t>(n)].c + offC};
        boxes[i] = CornerBox(shifted);
        Placement& place = places[i];
        place.rect = {
            static_cast<int>(std::floor(boxes[i].r0)), static_cast<int>(std::floor(boxes[i].c0)),
            static_cast<int>(std::ceil(boxes[i].r1)), static_cast<int>(std::ceil(boxes[i].c1))};
        if (k == 0 || model == MotionTranslationStrip) {
            // The base sits at the offset; translated images at their integer translation.
            place.top = static_cast<int>(k == 0 ? offR : std::floor(record.to_canvas.h[5]) + offR);
            place.left = static_cast<int>(k == 0 ? offC : std::floor(record.to_canvas.h[2]) + offC);
            place.rect = {place.top, place.left, place.top + rows - 1, place.left + columns - 1};
            place.paste_all = k == 0;
        } else {
            place.integer = false;
            if (!ComposeHomography(record.to_image, unshift, &place.to_source)) return 7;
        }
        if (k == 0) continue;
        // The squared ramp over the overlap with the images laid before, in canvas columns.
        const CanvasBox overlap = OverlapRect(boxes[i], std::span(boxes.data(), i));
        Blend& blend = blends[i];
        blend.by_source = false;
        int rampWidth = 1;
        if (!overlap.Empty()) {
            blend.shift = static_cast<int>(std::floor(overlap.c0));
            rampWidth = std::max(1, static_cast<int>(std::floor(overlap.c1)) - blend.shift + 1);
        }
        blend.ramp = LevelRamp(kBlendGradual, rampWidth, Displacement(record, rows, columns) > 0);
    }
    return LayAll(context, images, nullptr, canvas, places, blends, sink, from, to);
}

int RenderTurnedImages(MosaicContext& context, MotionModel model, double extra, bool wrap,
                       std::vector<NImagePtr>& images, ProgressSink* sink, int from, int to) {
    const int count = static_cast<int>(images.size());
    const int rows = images[0]->nrows, columns = images[0]->ncolumns;
    DriftRotation drift;
    if (wrap) drift = ComputeDriftRotation(context);
    const double t = drift.t + extra, cs = std::cos(t), sn = std::sin(t);
    std::vector<std::array<CanvasPoint, 4>> corners(static_cast<std::size_t>(count));
    double minR = HUGE_VAL, maxR = -HUGE_VAL, minC = HUGE_VAL, maxC = -HUGE_VAL;
    for (int k = 0; k < count; ++k) {
        auto& c = corners[static_cast<std::size_t>(k)];
        if (!MapCorners(context.records[static_cast<std::size_t>(k)].to_canvas, rows, columns, &c))
            return 8;
        for (CanvasPoint& p : c) {
            p = {sn * p.c + cs * p.r, cs * p.c - sn * p.r};
            minR = std::min(minR, p.r);
            maxR = std::max(maxR, p.r);
            minC = std::min(minC, p.c);
            maxC = std::max(maxC, p.c);
        }
    }
    // One turn along the turned horizontal, or the extent of the turned images.
    const double length = drift.dx * cs - drift.dy * sn;
    const double width = wrap ? std::trunc(std::abs(length)) : std::trunc(maxC - minC) + 1.0;
    const double height = std::trunc(maxR - minR) + (wrap ? 0.0 : 1.0);
    // Written so that a NaN extent (a degenerate closing transform) counts as too narrow.
    if (!(width >= 0.8 * columns) || !(height >= 0.5 * rows)) return 8;
    const double offR = std::max(0.0, -std::floor(minR)), offC = std::max(0.0, -std::floor(minC));
    Canvas canvas;
    if (const int code = MakeCanvas(canvas, images[0].get(), height, width, context.background);
        code != 0)
        return code;
    NImagePtr validity;
    if (model == MotionCylinder) {
        if (const int code = ValidityMask(context, rows, columns, &validity); code != 0)
            return code;
    }
    // Canvas -> unturned canvas frame: the offsets removed, then the inverse rotation.
    Homography8 unturn;
    unturn.h[0] = cs;
    unturn.h[1] = sn;
    unturn.h[3] = -sn;
    unturn.h[4] = cs;
    Homography8 fromCanvas;
    if (!ComposeHomography(unturn, Homography8::Translation(-offR, -offC), &fromCanvas)) return 12;
    std::vector<CanvasCentre> centres(static_cast<std::size_t>(count));
    std::vector<Placement> places(static_cast<std::size_t>(count));
    std::vector<Blend> blends(static_cast<std::size_t>(count));
    const int level = model == MotionCylinder ? context.blend_level : kBlendGradual;
    for (int k = 0; k < count; ++k) {
        const auto i = static_cast<std::size_t>(k);
        const MosaicImageRecord& record = context.records[i];
        CanvasPoint shifted[4];
        CanvasPoint mean;
        for (int n = 0; n < 4; ++n) {
            shifted[n] = {corners[i][static_cast<std::size_t>(n)].r + offR,
                          corners[i][static_cast<std::size_t>(n)].c + offC};
            mean.r += shifted[n].r / 4.0;
            mean.c += shifted[n].c / 4.0;
        }
        centres[i] = {static_cast<std::int32_t>(mean.r), static_cast<std::int32_t>(mean.c)};
        const CanvasBox box = CornerBox(shifted);
        Placement& place = places[i];
        place.integer = false;
        place.rect = {static_cast<int>(std::floor(box.r0)), static_cast<int>(std::floor(box.c0)),
                      static_cast<int>(std::ceil(box.r1)), static_cast<int>(std::ceil(box.c1))};
        if (!ComposeHomography(record.to_image, fromCanvas, &place.to_source)) return 12;
        Blend& blend = blends[i];
        if (k > 0 && !CylinderRamp(level, record, columns, &blend)) return 12;
        blend.turn = wrap ? canvas.columns : 0;
        blend.turn_fraction = wrap ? std::abs(length) - canvas.columns : 0.0;
        blend.level = context.blend_level;
        blend.centre = centres[i];
        blend.earlier.assign(centres.begin(), centres.begin() + k);
    }
    return LayAll(context, images, validity.get(), canvas, places, blends, sink, from, to);
}

int Render(MosaicContext& context, MotionModel model, bool turned, double extra, bool wrap,
           ProgressSink* sink, int from, int to) {
    NDestroyImage(std::exchange(context.output, nullptr));
    context.covered = CoveredArea{};
    if (model != MotionCylinder && model != MotionRigidStrip && model != MotionTranslationStrip)
        return 12;
    if (turned && !std::isfinite(extra)) return 12;
    try {
        std::vector<NImagePtr> images = TakeImages(context);
        if (!Consistent(context, images)) return 12;
        if (turned) return RenderTurnedImages(context, model, extra, wrap, images, sink, from, to);
        if (model == MotionCylinder) return LayCylinder(context, images, sink, from, to);
        return LayStrip(context, model, images, sink, from, to);
    } catch (const std::bad_alloc&) {
        NDestroyImage(std::exchange(context.output, nullptr));
        return 3;
    }
}

} // namespace

std::vector<RampWeight> LevelRamp(int level, int width, bool new_on_right) {
    std::vector<RampWeight> ramp(static_cast<std::size_t>(std::max(width, 1)));
    for (int j = 0; j < static_cast<int>(ramp.size()); ++j) {
        const double a = j + 1.0, b = static_cast<double>(width) - j;
        RampWeight w;
        switch (level) {
        case kBlendSteep:
            w = {a * a * a * a, b * b * b * b};
            break;
        case kBlendNone:
            w = {a <= b ? 0.0 : 255.0, a <= b ? 255.0 : 0.0};
            break;
        default: // gradual and half
            w = {a * a, b * b};
            break;
        }
        ramp[static_cast<std::size_t>(j)] = new_on_right ? w : RampWeight{w.w1, w.w0};
    }
    return ramp;
}

DriftRotation ComputeDriftRotation(const MosaicContext& context) {
    DriftRotation drift;
    if (context.records.empty()) return drift;
    const MosaicImageRecord& last = context.records.back();
    drift.dx = last.to_canvas.h[2] - last.pairwise.h[2];
    drift.dy = last.to_canvas.h[5] - last.pairwise.h[5];
    if (drift.dx < 0.0) {
        drift.dx = -drift.dx;
        drift.dy = -drift.dy;
    }
    drift.t = -std::atan2(drift.dy, drift.dx);
    drift.length = drift.dx * std::cos(drift.t) - drift.dy * std::sin(drift.t);
    return drift;
}

int RenderStrip(MosaicContext& context, MotionModel model, ProgressSink* sink, int from, int to) {
    return Render(context, model, false, 0.0, false, sink, from, to);
}

int RenderStrip360(MosaicContext& context, MotionModel model, ProgressSink* sink, int from,
                   int to) {
    return Render(context, model, true, 0.0, true, sink, from, to);
}

int RenderTurned(MosaicContext& context, MotionModel model, double extra_angle, bool wrap,
                 ProgressSink* sink, int from, int to) {
    return Render(context, model, true, extra_angle, wrap, sink, from, to);
}
