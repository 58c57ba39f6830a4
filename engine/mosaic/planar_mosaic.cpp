#include "mosaic/planar_mosaic.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "core/progress_sink.h"
#include "core/report.h"
#include "mosaic/features.h"
#include "mosaic/flat_mosaic.h"
#include "mosaic/global_refine.h"
#include "mosaic/pair_confidence.h"

namespace {

constexpr int kPairDescription = 30008; // "Stitching: image %d and %d of %d images."

} // namespace

int PlanarEstimate(MosaicState& state, ProgressSink* sink) {
    if (ProgressSetPos(sink, 5) != 0) return 2;
    if (const int code = PrepareMosaic(state, MotionProjective); code != 0) return code;
    if (ProgressSetPos(sink, 10) != 0) return 2;

    MosaicContext& context = state.context;
    const std::vector<N_ImageRec*> images = ContextImages(context);
    const int count = static_cast<int>(images.size());
    const int step = (90 - 10) / count;
    const int levels = MatchingLevels(images[0]);
    // A fit is accepted when its mean residual is below a hundredth of the larger side.
    const double limit = static_cast<double>(std::max(context.rows, context.columns) / 100);
    std::vector<int> codes(static_cast<std::size_t>(count), 0);
    bool fellBack = false;
    std::vector<PairPoints> kept; // every pair's matches, for the global refinement
    StartPairConfidences(context, count - 1);
    const auto estimate = [&](int i) {
        codes[static_cast<std::size_t>(i)] =
            EstimatePair(context, i, images[i - 1], images[i], levels, MotionProjective);
        const auto k = static_cast<std::size_t>(i);
        RecordPairConfidence(context, k - 1, images[i - 1], images[i],
                             context.records[k - 1].pairwise, context.records[k].matches,
                             context.mask);
    };
    const auto finish = [&](int i) {
        MosaicImageRecord& record = context.records[static_cast<std::size_t>(i)];
        ProgressDescribePair(sink, kPairDescription, i, count);
        NPrintf("dr = %d, dc = %d\n", record.align_dr, record.align_dc);
        const int code = codes[static_cast<std::size_t>(i)];
        if (code == 9)
            fellBack = true;
        else if (code != 0)
            return code;
        if (record.matches != nullptr) {
            const bool accepted = VerifyPlanar(
                record.matches, context.records[static_cast<std::size_t>(i - 1)].pairwise, limit);
            if (state.refine) KeepPairPoints(record.matches, i - 1, i, false, &kept);
            DestroyMatchList(record.matches);
            record.matches = nullptr;
            if (!accepted) return 7;
        }
        return ProgressSetPos(sink, 10 + step * (i + 1)) != 0 ? 2 : 0;
    };
    if (const int code = RunPairs(count, estimate, finish); code != 0) return code;
    if (state.refine) RefinePlane(context, kept, nullptr);
    if (state.normal->base == 0) context.base = ChooseBase(context);
    ChainTransforms(context);
    if (ProgressSetPos(sink, 90) != 0 || ProgressSetPos(sink, 100) != 0) return 2;
    return fellBack ? 9 : 0;
}
