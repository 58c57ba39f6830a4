#include "mosaic/focal_estimate.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <new>
#include <utility>
#include <vector>

#include "core/parallel.h"
#include "core/progress_sink.h"
#include "core/report.h"
#include "mosaic/blend_rows.h"
#include "mosaic/feature_fit.h"
#include "mosaic/feature_match.h"
#include "mosaic/features.h"
#include "mosaic/flat_mosaic.h"
#include "mosaic/global_refine.h"

using blend_detail::Channel;
using blend_detail::ChannelOf;
using blend_detail::RowMapper;
using blend_detail::SamplePos;

namespace {

constexpr double kFilmSide = 35.0;             // mm: the longer side of the frame
constexpr double kMinPerspective = 1e-3;       // change of the divisor from centre to edge
constexpr double kMaxFocalDisagreement = 20.0; // mm between f0 and f1 for the weighted mean

// sqrt(numerator / denominator), or 0 when the ratio is negative or undefined.
double RootOfRatio(double numerator, double denominator) {
    if (denominator == 0.0) return 0.0;
    const double ratio = numerator / denominator;
    if (!std::isfinite(ratio) || !(ratio >= 0.0)) return 0.0;
    return std::sqrt(ratio);
}

// What image k-1 and image k share through H (pixels of k-1 -> pixels of k): the number of
// pixels of image k-1 that land inside image k, and the mean over bands of the mean squared
// difference there, image k sampled bilinearly.
struct Overlap {
    double error = 0.0;
    std::int64_t area = 0;
};

Overlap Photometry(const N_ImageRec* first, const N_ImageRec* second, const Homography8& H) {
    const int rows = first->nrows, columns = first->ncolumns;
    const int nb = std::min({first->nbands, second->nbands, 3});
    Channel a[3], b[3];
    for (int band = 0; band < nb; ++band) {
        a[band] = ChannelOf(first, band);
        b[band] = ChannelOf(second, band);
    }
    const RowMapper mapper(H, second->nrows, second->ncolumns, false, nullptr);
    // Per-row sums, added in row order afterwards: the same total for any number of workers.
    std::vector<double> rowSums(static_cast<std::size_t>(rows) * 3, 0.0);
    std::vector<std::int64_t> rowCounts(static_cast<std::size_t>(rows), 0);
    ForRowBlocks(
        0, rows - 1, static_cast<std::int64_t>(rows) * columns, [&](unsigned, int lo, int hi) {
            std::vector<SamplePos> pos(static_cast<std::size_t>(columns));
            std::vector<double> values(static_cast<std::size_t>(columns) * nb);
            std::vector<unsigned char> valid(static_cast<std::size_t>(columns));
            for (int r = lo; r <= hi; ++r) {
                mapper.SampleRow(r, 0, columns - 1, b, nb, pos.data(), values.data(), valid.data());
                double* sums = rowSums.data() + static_cast<std::size_t>(r) * 3;
                std::int64_t n = 0;
                for (int c = 0; c < columns; ++c) {
                    if (valid[static_cast<std::size_t>(c)] == 0) continue;
                    for (int band = 0; band < nb; ++band) {
                        const double d = *a[band].At(r, c) -
                                         values[static_cast<std::size_t>(band) * columns + c];
                        sums[band] += d * d;
                    }
                    ++n;
                }
                rowCounts[static_cast<std::size_t>(r)] = n;
            }
        });
    Overlap overlap;
    double total[3] = {0.0, 0.0, 0.0};
    for (int r = 0; r < rows; ++r) {
        for (int band = 0; band < nb; ++band)
            total[band] += rowSums[static_cast<std::size_t>(r) * 3 + band];
        overlap.area += rowCounts[static_cast<std::size_t>(r)];
    }
    if (overlap.area == 0 || nb == 0) return overlap;
    for (int band = 0; band < nb; ++band)
        overlap.error += total[band] / static_cast<double>(overlap.area);
    overlap.error /= nb;
    return overlap;
}

// Mean of |(c - mean c)(r - mean r)| over a point list.
double Spread(const FeatureList& list) {
    if (list.count <= 0) return 0.0;
    double mr = 0.0, mc = 0.0;
    for (const FeaturePoint* p = list.first; p != nullptr; p = p->next) {
        mr += p->r;
        mc += p->c;
    }
    mr /= list.count;
    mc /= list.count;
    double sum = 0.0;
    for (const FeaturePoint* p = list.first; p != nullptr; p = p->next)
        sum += std::abs((p->c - mc) * (p->r - mr));
    return sum / list.count;
}

// Fills the entry of an accepted pair from its matches (moved to centred coordinates here).
// False when the centred fit fails or cannot be inverted: the entry is then left alone.
bool MeasurePair(MatchList* matches, const N_ImageRec* first, const N_ImageRec* second, int dr,
                 int dc, AutoFocalEntry* entry) {
    const int rows = first->nrows, columns = first->ncolumns;
    const double hr = static_cast<float>(rows) / 2.0f, hc = static_cast<float>(columns) / 2.0f;
    ShiftFeatureList(&matches->first, -hr, -hc);
    ShiftFeatureList(&matches->second, -hr, -hc);
    Homography8 H, inverse, pixels;
    if (!FitMatches(FitKind::Projective, matches, &H) || !InvertHomography(H, &inverse))
        return false;
    // The same transform between pixel coordinates, for the photometric comparison.
    if (!ComposeHomography(H, Homography8::Translation(-hr, -hc), &pixels)) return false;
    TranslateHomography(&pixels, hr, hc);
    const Overlap overlap = Photometry(first, second, pixels);
    const double spread = (Spread(matches->first) + Spread(matches->second)) / 2.0;
    const int extent = std::max(rows, columns);
    const FocalParts parts = FocalFromHomography(H.h, extent);
    const double toMm = kFilmSide / extent;
    std::copy(H.h, H.h + 8, entry->H);
    // Spread (pixels squared) over the overlap's area: how much of the overlap the matches span.
    entry->matchScore = overlap.area > 0 ? spread / static_cast<double>(overlap.area) : 0.0;
    entry->photometricError = overlap.error;
    entry->f0_px = parts.f0;
    entry->f1_px = parts.f1;
    entry->f_px = parts.f;
    entry->f0_mm = parts.f0 * toMm;
    entry->f1_mm = parts.f1 * toMm;
    entry->f_mm = parts.f * toMm;
    entry->f0_numerator = parts.f0_numerator;
    entry->f0_denominator = parts.f0_denominator;
    entry->f1_numerator = parts.f1_numerator;
    entry->f1_denominator = parts.f1_denominator;
    entry->dr = dr;
    entry->dc = dc;
    return true;
}

// The entries the statistics visit: count - 1 of them, fewer when the links end.
std::vector<AutoFocalEntry*> VisitedEntries(const AutoFocalListStruct* list) {
    std::vector<AutoFocalEntry*> entries;
    AutoFocalEntry* entry = list->entries;
    for (int k = 0; k + 1 < list->count && entry != nullptr; ++k, entry = entry->next)
        entries.push_back(entry);
    return entries;
}

// The matches of the closing pair (last, first) of a turn, in centred coordinates, appended to
// `pairs`; false when the pair could not be matched without falling back to its alignment.
bool ClosingPairPoints(MosaicContext& context, const std::vector<N_ImageRec*>& images, int levels,
                       std::vector<PairPoints>* pairs) {
    const int last = static_cast<int>(images.size()) - 1;
    MosaicImageRecord& first = context.records[0];
    const int code = EstimatePair(context, 0, images[static_cast<std::size_t>(last)], images[0],
                                  levels, MotionFocalProjective);
    MatchList* matches = std::exchange(first.matches, nullptr);
    const bool usable = code == 0 && matches != nullptr;
    if (usable) {
        const double hr = static_cast<float>(context.rows) / 2.0f,
                     hc = static_cast<float>(context.columns) / 2.0f;
        ShiftFeatureList(&matches->first, -hr, -hc);
        ShiftFeatureList(&matches->second, -hr, -hc);
        KeepPairPoints(matches, last, 0, true, pairs);
    }
    DestroyMatchList(matches);
    return usable;
}

int Estimate(MosaicState& state, AutoFocalListStruct* list, ProgressSink* sink) {
    if (list == nullptr) return 12;
    if (ProgressSetPos(sink, 5) != 0) return 2;
    if (const int code = PrepareMosaic(state, MotionFocalProjective); code != 0) return code;
    MosaicContext& context = state.context;
    list->columns = context.columns;
    list->rows = context.rows;
    if (ProgressSetPos(sink, 10) != 0) return 2;

    const std::vector<N_ImageRec*> images = ContextImages(context);
    const int count = static_cast<int>(images.size());
    if (count == 0 || context.records.size() != images.size()) return 12;
    const int levels = MatchingLevels(images[0]);
    const double limit = static_cast<double>(std::max(context.rows, context.columns) / 100);
    const int step = 90 / count;
    // Entry of pair (k-1, k) at index k.
    std::vector<AutoFocalEntry*> entries(images.size(), nullptr);
    const std::vector<AutoFocalEntry*> visited = VisitedEntries(list);
    for (std::size_t k = 0; k < visited.size() && k + 1 < entries.size(); ++k)
        entries[k + 1] = visited[k];
    auto& records = context.records;
    std::vector<int> codes(images.size(), 0);
    // With the global refinement on a turn closed over 360 degrees, every pair's matches (in
    // centred coordinates) for the focal length that closes the turn.
    const bool closure = state.refine && context.flag360 == 1 && count > 2;
    std::vector<std::vector<PairPoints>> kept(images.size());
    const auto estimate = [&](int i) {
        const auto k = static_cast<std::size_t>(i);
        MosaicImageRecord& record = records[k];
        int code =
            EstimatePair(context, i, images[k - 1], images[k], levels, MotionFocalProjective);
        // A rejected fit is skipped; later pairs are judged on their own.
        if (code == 0 && levels != 1 && record.matches != nullptr &&
            !VerifyPlanar(record.matches, records[k - 1].pairwise, limit))
            code = 7;
        if (code == 0 && record.matches != nullptr && entries[k] != nullptr &&
            MeasurePair(record.matches, images[k - 1], images[k], record.align_dr, record.align_dc,
                        entries[k]) &&
            closure)
            KeepPairPoints(record.matches, i - 1, i, false, &kept[k]);
        DestroyMatchList(std::exchange(record.matches, nullptr));
        codes[k] = code;
    };
    int last = 0;
    const auto finish = [&](int i) {
        const auto k = static_cast<std::size_t>(i);
        NPrintf("dr = %d, dc = %d\n", records[k].align_dr, records[k].align_dc);
        const int code = codes[k];
        if (code != 0 && code != 7 && code != 9) return code;
        last = code;
        return ProgressSetPos(sink, 10 + step * (i + 1)) != 0 ? 2 : 0;
    };
    if (const int code = RunPairs(count, estimate, finish); code != 0) return code;
    SummariseFocalList(list);
    if (closure && list->bestFocal > 0.0) {
        std::vector<PairPoints> pairs;
        for (std::vector<PairPoints>& k : kept)
            for (PairPoints& p : k) pairs.push_back(std::move(p));
        if (ClosingPairPoints(context, images, levels, &pairs)) {
            const int extent = std::max(context.rows, context.columns);
            const double F = ClosureFocal(pairs, list->bestFocal * extent / kFilmSide);
            if (F > 0.0) list->bestFocal = F * kFilmSide / extent;
        }
    }
    return last;
}

} // namespace

FocalParts FocalFromHomography(const double h[8], int extent) {
    FocalParts parts;
    parts.f0_numerator = h[5] * h[5] - h[2] * h[2];
    parts.f0_denominator = h[0] * h[0] + h[1] * h[1] - h[3] * h[3] - h[4] * h[4];
    parts.f1_numerator = h[0] * h[0] + h[3] * h[3] - h[1] * h[1] - h[4] * h[4];
    const double perspective = std::max(std::abs(h[6]), std::abs(h[7])) * (extent / 2.0);
    parts.f1_denominator = perspective < kMinPerspective ? 0.0 : h[7] * h[7] - h[6] * h[6];
    parts.f0 = RootOfRatio(parts.f0_numerator, parts.f0_denominator);
    parts.f1 = RootOfRatio(parts.f1_numerator, parts.f1_denominator);
    const double product = parts.f0 * parts.f1;
    parts.f = product != 0.0 && std::isfinite(product) ? std::sqrt(product) : 0.0;
    return parts;
}

void SummariseFocalList(AutoFocalListStruct* list) {
    if (list == nullptr) return;
    list->weightedFocal = list->meanFocal = list->medianFocal = 0.0;
    list->clusteredFocal = list->bestFocal = list->bestMedianSqDeviation = 0.0;
    const std::vector<AutoFocalEntry*> entries = VisitedEntries(list);
    std::vector<double> values;
    for (const AutoFocalEntry* e : entries)
        if (e->f_mm != 0.0 && std::isfinite(e->f_mm)) values.push_back(e->f_mm);
    const std::size_t n = values.size();
    if (n > 0) {
        // Least median of squares: the value whose median squared difference to all is least.
        std::vector<double> squares(n);
        double best = values[0], bestMedian = HUGE_VAL;
        for (const double candidate : values) {
            for (std::size_t j = 0; j < n; ++j)
                squares[j] = (candidate - values[j]) * (candidate - values[j]);
            std::sort(squares.begin(), squares.end());
            const double median = squares[(n - 1) / 2];
            if (median < bestMedian) {
                bestMedian = median;
                best = candidate;
            }
        }
        list->bestFocal = best;
        list->bestMedianSqDeviation = bestMedian;
        double sum = 0.0, clustered = 0.0;
        int near = 0;
        for (const double v : values) {
            sum += v;
            // The median squared deviation serves as the distance of the cluster.
            if (std::abs(v - best) <= bestMedian) {
                clustered += v;
                ++near;
            }
        }
        list->meanFocal = sum / static_cast<double>(n);
        list->clusteredFocal = near > 0 ? clustered / near : 0.0;
        std::vector<double> sorted = values;
        std::sort(sorted.begin(), sorted.end());
        list->medianFocal = sorted[(n - 1) / 2];
    }
    double weights = 0.0, weighted = 0.0;
    for (const AutoFocalEntry* e : entries) {
        if (!(e->photometricError > 0.0) || !(e->f_mm > 0.0) ||
            !(std::abs(e->f0_mm - e->f1_mm) <= kMaxFocalDisagreement))
            continue;
        const double w = e->matchScore / e->photometricError;
        if (!std::isfinite(w)) continue;
        weights += w;
        weighted += w * e->f_mm;
    }
    if (weights > 0.0 && weighted > 0.0 && std::isfinite(weighted / weights))
        list->weightedFocal = weighted / weights;
}

int EstimateFocalList(MosaicState& state, AutoFocalListStruct* list, ProgressSink* sink) {
    int code = 3;
    try {
        code = Estimate(state, list, sink);
    } catch (const std::bad_alloc&) {
        code = 3;
    }
    // A following cylinder mosaic estimates every pair afresh.
    for (MosaicImageRecord& record : state.context.records) {
        std::fill(record.pairwise.h, record.pairwise.h + 8, 0.0);
        DestroyMatchList(std::exchange(record.matches, nullptr));
    }
    return code;
}
