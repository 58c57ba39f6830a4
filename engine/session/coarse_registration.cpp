#include "session/coarse_registration.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <vector>

#include "core/image_ops.h"
#include "core/image_ptr.h"
#include "core/progress_sink.h"
#include "core/report.h"
#include "mosaic/image_loading.h"
#include "session/align_search.h"

namespace {

constexpr int kEdgeThreshold = 22;

// 8 x p(r, c) minus the sum of its eight neighbours; 0 on the outer border.
std::vector<std::int16_t> Laplacian(const N_ImageRec* image, int band) {
    const int rows = image->nrows, cols = image->ncolumns;
    std::vector<std::int16_t> lap(static_cast<std::size_t>(rows) * cols, 0);
    const unsigned char* p = image->band_index[band][0];
    for (int r = 1; r + 1 < rows; ++r) {
        for (int c = 1; c + 1 < cols; ++c) {
            const unsigned char* q = p + static_cast<std::ptrdiff_t>(r) * cols + c;
            int sum = 0;
            for (int dr = -1; dr <= 1; ++dr)
                for (int dc = -1; dc <= 1; ++dc)
                    if (dr != 0 || dc != 0) sum += q[dr * cols + dc];
            lap[static_cast<std::size_t>(r) * cols + c] = static_cast<std::int16_t>(8 * q[0] - sum);
        }
    }
    return lap;
}

struct ShiftValue {
    long long count = 0;
    int value = 0;
};

// The Laplacian matcher on one level: the sharpest qualified local minimum of the mean
// absolute Laplacian difference.
PairShift LaplacianShift(const N_ImageRec* level, int edge) {
    if (edge < 0 || edge > 100) {
        NPrintf("Edge Threshold is wrong.\n");
        return {};
    }
    const int H = level->nrows, W = level->ncolumns;
    const std::vector<std::int16_t> lap0 = Laplacian(level, 0), lap1 = Laplacian(level, 1);
    const int rr = 8 * (H / 10), rc = 8 * (W / 10);
    const int nr = 2 * rr + 1, nc = 2 * rc + 1;
    std::vector<ShiftValue> values(static_cast<std::size_t>(nr) * nc);
    const long long minCount = 2LL * H * W / 10;
    long long best = std::numeric_limits<long long>::max();
    for (int dr = -rr; dr <= rr; ++dr) {
        // Band 0 position (r, c) pairs with band 1 (r - dr, c - dc), which must lie at least
        // one pixel inside band 1's border.
        const int r0 = std::max(1 + dr, 0), r1 = std::min(H - 2 + dr, H - 1);
        for (int dc = -rc; dc <= rc; ++dc) {
            const int c0 = std::max(1 + dc, 0), c1 = std::min(W - 2 + dc, W - 1);
            ShiftValue& v = values[static_cast<std::size_t>(dr + rr) * nc + (dc + rc)];
            if (r0 > r1 || c0 > c1) continue;
            long long sum = 0;
            for (int r = r0; r <= r1; ++r) {
                const std::int16_t* a = lap0.data() + static_cast<std::size_t>(r) * W;
                const std::int16_t* b = lap1.data() + static_cast<std::size_t>(r - dr) * W - dc;
                for (int c = c0; c <= c1; ++c) sum += std::abs(a[c] - b[c]);
            }
            v.count = static_cast<long long>(r1 - r0 + 1) * (c1 - c0 + 1);
            v.value = static_cast<int>(sum / v.count);
            if (v.count >= minCount && v.value < best) best = v.value;
        }
    }
    if (best == std::numeric_limits<long long>::max()) return {};
    auto at = [&](int dr, int dc) -> const ShiftValue& {
        return values[static_cast<std::size_t>(dr + rr) * nc + (dc + rc)];
    };
    PairShift chosen;
    long long bestSharpness = 0;
    for (int dr = -rr + 2; dr <= rr - 2; ++dr) {
        for (int dc = -rc + 2; dc <= rc - 2; ++dc) {
            const ShiftValue& v = at(dr, dc);
            if (v.count < minCount || v.value > 1.5 * static_cast<double>(best)) continue;
            bool minimum = true;
            for (int i = -1; i <= 1 && minimum; ++i)
                for (int j = -1; j <= 1; ++j) {
                    const ShiftValue& n = at(dr + i, dc + j);
                    if ((i != 0 || j != 0) && n.count > 0 && n.value < v.value) {
                        minimum = false;
                        break;
                    }
                }
            if (!minimum) continue;
            const long long sharpness = static_cast<long long>(at(dr - 2, dc).value) +
                                        at(dr + 2, dc).value + at(dr, dc - 2).value +
                                        at(dr, dc + 2).value - 4LL * v.value;
            if (sharpness > bestSharpness) {
                bestSharpness = sharpness;
                chosen = PairShift{dr, dc};
            }
        }
    }
    return chosen;
}

// Refines a shift on a finer level by the smallest mean absolute difference of the bands.
PairShift RefineByDifference(const N_ImageRec* level, PairShift start, int radius) {
    const int H = level->nrows, W = level->ncolumns;
    const unsigned char* b0 = level->band_index[0][0];
    const unsigned char* b1 = level->band_index[1][0];
    PairShift best = start;
    bool found = false;
    long long bestMean = 0;
    for (int dr = start.dr - radius; dr <= start.dr + radius; ++dr) {
        const int r0 = std::max(dr, 0), r1 = std::min(H - 1, H - 1 + dr);
        for (int dc = start.dc - radius; dc <= start.dc + radius; ++dc) {
            const int c0 = std::max(dc, 0), c1 = std::min(W - 1, W - 1 + dc);
            if (r0 > r1 || c0 > c1) continue;
            long long sum = 0;
            for (int r = r0; r <= r1; ++r) {
                const unsigned char* a = b0 + static_cast<std::size_t>(r) * W;
                const unsigned char* b = b1 + static_cast<std::size_t>(r - dr) * W - dc;
                for (int c = c0; c <= c1; ++c) sum += std::abs(a[c] - b[c]);
            }
            const long long mean = sum / (static_cast<long long>(r1 - r0 + 1) * (c1 - c0 + 1));
            if (!found || mean < bestMean) {
                found = true;
                bestMean = mean;
                best = PairShift{dr, dc};
            }
        }
    }
    return best;
}

int SearchBandOf(const N_ImageRec* image) {
    return image->nbands == 3 ? 1 : 0;
}

// Places every image by its cumulative shift on a canvas just large enough for all of them.
NImagePtr Compose(const std::vector<N_ImageRec*>& images, const MosaicContext& context) {
    const int count = static_cast<int>(images.size());
    std::vector<long long> posR(count, 0), posC(count, 0);
    for (int k = 1; k < count; ++k) {
        posR[k] = posR[k - 1] + context.records[k].align_dr;
        posC[k] = posC[k - 1] + context.records[k].align_dc;
    }
    const long long minR = *std::min_element(posR.begin(), posR.end());
    const long long minC = *std::min_element(posC.begin(), posC.end());
    long long rows = 0, cols = 0;
    for (int k = 0; k < count; ++k) {
        rows = std::max(rows, posR[k] - minR + images[k]->nrows);
        cols = std::max(cols, posC[k] - minC + images[k]->ncolumns);
    }
    if (rows > std::numeric_limits<int>::max() || cols > std::numeric_limits<int>::max())
        return nullptr;
    const int nbands = images[0]->nbands;
    NImagePtr canvas(
        NCreateImage(nbands, static_cast<int>(rows), static_cast<int>(cols), NUByteRepn));
    if (!canvas) return nullptr;
    auto lay = [&](const N_ImageRec* image, long long top, long long left, bool merge) {
        for (int b = 0; b < nbands && b < image->nbands; ++b)
            for (int r = 0; r < image->nrows; ++r) {
                const unsigned char* src = image->band_index[b][r];
                unsigned char* dst = canvas->band_index[b][top + r] + left;
                for (int c = 0; c < image->ncolumns; ++c) {
                    if (!merge || dst[c] == 0)
                        dst[c] = src[c];
                    else
                        dst[c] =
                            static_cast<unsigned char>(std::clamp((dst[c] + src[c]) / 2, 0, 255));
                }
            }
    };
    lay(images[0], -minR, -minC, false);
    for (int k = 0; k < count; ++k) lay(images[k], posR[k] - minR, posC[k] - minC, true);
    return canvas;
}

} // namespace

PairShift CoarsePairShift(N_ImageRec* pair, int edge, bool* ok) {
    *ok = true;
    const int L50 = PyramidLevels(pair->nrows, pair->ncolumns, 50);
    const int L81 = PyramidLevels(pair->nrows, pair->ncolumns, 81);
    const int f50 = 1 << (L50 - 1), f81 = 1 << (L81 - 1);
    Pyramid pyramid;
    if (!pyramid.Build(pair, L50)) {
        *ok = false;
        return {};
    }
    PairShift shift = LaplacianShift(pyramid.Level(L50 - 1), edge);
    const int ratio = f50 / f81;
    shift.dr *= ratio;
    shift.dc *= ratio;
    shift = RefineByDifference(pyramid.Level(L81 - 1), shift, 3 * ratio);
    return PairShift{shift.dr * f81, shift.dc * f81};
}

int CoarseRegistrationWorker(SessionState& session, IImageAdapter* out, ProgressSink* sink) {
    const int count = session.normal ? session.normal->Count() : 0;
    if (count == 0) return 12;
    if (ProgressSetPos(sink, 10) != 0) return 2;
    if (const int code = LoadSessionImages(session); code != 0) return code;
    if (ProgressSetPos(sink, 30) != 0) return 2;

    MosaicContext& context = session.context;
    const std::vector<N_ImageRec*> images = ContextImages(context);
    NImagePtr pair(NCreateImage(2, context.rows, context.columns, NUByteRepn));
    if (!pair || !NCopyBand(images[0], SearchBandOf(images[0]), pair.get(), 0)) return 3;
    context.records[0].align_dr = context.records[0].align_dc = 0;
    for (int k = 1; k < count; ++k) {
        if (!NCopyBand(images[k], SearchBandOf(images[k]), pair.get(), 1)) return 3;
        bool ok = true;
        const PairShift shift = CoarsePairShift(pair.get(), kEdgeThreshold, &ok);
        if (!ok) return 3;
        context.records[k].align_dr = shift.dr;
        context.records[k].align_dc = shift.dc;
        if (!NCopyBand(pair.get(), 1, pair.get(), 0)) return 3;
        if (ProgressSetPos(sink, 30 + (30 / count) * k) != 0) return 2;
    }
    if (ProgressSetPos(sink, 60) != 0) return 2;
    NImagePtr composite = Compose(images, context);
    if (!composite) return 3;
    if (out != nullptr) {
        try {
            out->FromNIL(composite.get(), nullptr);
        } catch (const CBmpAdapterException&) {
            return 3;
        }
    }
    composite.reset();
    if (ProgressSetPos(sink, 90) != 0) return 2;
    auto list = std::make_unique<AlignList>();
    for (int k = 1; k < count; ++k)
        list->entries.push_back(
            AlignEntry{context.records[k].align_dr, context.records[k].align_dc});
    session.normal->align = std::move(list);
    return 0;
}
