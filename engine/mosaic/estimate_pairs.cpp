// Pairwise transforms of every neighbour pair for the flat (translation and rigid) mosaics.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "core/parallel.h"
#include "core/report.h"

#include "core/progress_sink.h"
#include "mosaic/feature_fit.h"
#include "mosaic/features.h"
#include "mosaic/flat_mosaic.h"
#include "mosaic/global_refine.h"
#include "mosaic/pair_confidence.h"

namespace {

constexpr int kPairDescription = 30008; // "Stitching: image %d and %d of %d images."
constexpr double kMatchingThreshold = 500.0;
constexpr double kCorrelationThreshold = 0.7;
constexpr int kTranslationMinimumMatches = 2;

// The translation that an alignment (dr, dc) gives: image k-1 -> image k.
Homography8 AlignmentTransform(int dr, int dc) {
    return Homography8::Translation(-dr, -dc);
}

// Fits the pair from the record's hand-set matches, or matches it automatically starting at
// (dr, dc); automatic matching asks for at least as many matches as the model's fit needs.
// False when no match was found or the fit could not be solved (H is then left alone).
bool MatchAndFit(MosaicContext& context, MosaicImageRecord& record, const N_ImageRec* first,
                 const N_ImageRec* second, int dr, int dc, MotionModel model, Homography8* H) {
    if (record.matches == nullptr) {
        const int minimum = std::max(kTranslationMinimumMatches, MinimumHandMatches(model));
        record.matches = MatchFeatures(first, second, dr, dc, kMatchingThreshold,
                                       kCorrelationThreshold, minimum, context.mask);
        if (record.matches == nullptr) return false;
    }
    return FitMatches(PairFitKind(model), record.matches, H);
}

bool IsRigid(MotionModel model) {
    return model == MotionRigid || model == MotionRigidStrip;
}

} // namespace

int MatchingLevels(const N_ImageRec* image) {
    const int m = image->nrows > image->ncolumns ? image->nrows : image->ncolumns;
    return m < 320 ? 1 : (m < 640 ? 2 : 3);
}

int RunPairs(int count, const std::function<void(int)>& estimate,
             const std::function<int(int)>& finish) {
    const int batch = static_cast<int>(EngineThreads());
    for (int first = 1; first < count; first += batch) {
        const int last = std::min(count - 1, first + batch - 1);
        std::vector<std::vector<NHeldReport>> reports(static_cast<std::size_t>(last - first + 1));
        ForRowBlocks(first, last, std::int64_t{1} << 30, [&](unsigned, int a, int b) {
            for (int i = a; i <= b; ++i) {
                NReportCapture capture(&reports[static_cast<std::size_t>(i - first)]);
                estimate(i);
            }
        });
        for (int i = first; i <= last; ++i) {
            NShowHeldReports(reports[static_cast<std::size_t>(i - first)]);
            if (const int code = finish(i); code != 0) return code;
        }
    }
    return 0;
}

int EstimatePairs(MosaicState& state, MotionModel model, ProgressSink* sink, int from, int to) {
    MosaicContext& context = state.context;
    const std::vector<N_ImageRec*> images = ContextImages(context);
    const int count = static_cast<int>(images.size());
    if (count == 0) return 12;
    const int step = (to - from) / count;
    const int levels = MatchingLevels(images[0]);
    auto& records = context.records;
    std::vector<PairPoints> kept; // every pair's matches, for the global refinement
    const bool closed = context.flag360 == 1 && count > 1;
    StartPairConfidences(context, closed ? count : count - 1);
    const auto estimate = [&](int i) {
        MosaicImageRecord& record = records[static_cast<std::size_t>(i)];
        Homography8& pairwise = records[static_cast<std::size_t>(i - 1)].pairwise;
        if (IsRigid(model)) {
            // A fallback to the alignment translation is silent here.
            EstimatePair(context, i, images[i - 1], images[i], levels, model);
        } else {
            const bool matched = !context.skip_feature_matching &&
                                 MatchAndFit(context, record, images[i - 1], images[i],
                                             record.align_dr, record.align_dc, model, &pairwise);
            if (!matched) pairwise = AlignmentTransform(record.align_dr, record.align_dc);
        }
        RecordPairConfidence(context, static_cast<std::size_t>(i - 1), images[i - 1], images[i],
                             pairwise, record.matches, context.mask);
    };
    const auto finish = [&](int i) {
        ProgressDescribePair(sink, kPairDescription, i, count);
        MosaicImageRecord& record = records[static_cast<std::size_t>(i)];
        Homography8 inverse;
        record.prev_inverse =
            InvertHomography(records[static_cast<std::size_t>(i - 1)].pairwise, &inverse)
                ? inverse
                : Homography8::Identity();
        if (state.refine) KeepPairPoints(record.matches, i - 1, i, false, &kept);
        DestroyMatchList(record.matches);
        record.matches = nullptr;
        return ProgressSetPos(sink, from + step * i) != 0 ? 2 : 0;
    };
    if (const int code = RunPairs(count, estimate, finish); code != 0) return code;
    if (closed) {
        // The closing pair: the last image matched to the first at the 360-degree alignment.
        MosaicImageRecord& first = records[0];
        Homography8& pairwise = records[static_cast<std::size_t>(count - 1)].pairwise;
        const bool matched = MatchAndFit(context, first, images[count - 1], images[0],
                                         first.align_dr, first.align_dc, model, &pairwise);
        RecordPairConfidence(context, static_cast<std::size_t>(count - 1), images[count - 1],
                             images[0], pairwise, matched ? first.matches : nullptr, context.mask);
        if (matched && state.refine) KeepPairPoints(first.matches, count - 1, 0, true, &kept);
        DestroyMatchList(first.matches);
        first.matches = nullptr;
        if (!matched) return 1;
    }
    if (state.refine && !context.skip_feature_matching) RefineFlat(context, kept, IsRigid(model));
    return 0;
}
