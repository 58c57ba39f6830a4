#include "mosaic/interpolation.h"

#include <cmath>
#include <new>
#include <utility>

#include "core/image_record.h"
#include "core/progress_sink.h"
#include "mosaic/composition.h"
#include "mosaic/flat_mosaic.h"
#include "mosaic/image_loading.h"

namespace {

// After a composition the context's list holds views of the callers' bitmaps; estimation works
// on planar processing images, so such a list is dropped and loaded afresh.
void DropComposedViews(MosaicContext& context) {
    for (const N_ImageRec* image : ContextImages(context)) {
        if (image->interleaved) {
            NDestroyAttrList(context.images);
            context.images = nullptr;
            return;
        }
    }
}

// The base from the normal set's setting (1-based, 0 automatic): 0, or 12 when out of range.
int SetBase(MosaicState& state) {
    MosaicContext& context = state.context;
    const int base = state.normal->base;
    if (base < 0 || base > context.count) return 12;
    context.base = base != 0 ? base - 1 : ChooseBase(context);
    return 0;
}

int Estimate(MosaicState& state, int model, ProgressSink* sink, Homography8* P, Homography8* Q) {
    if (model < MotionProjective || model > MotionAffine) return 12;
    if (ProgressSetPos(sink, 5) != 0) return 2;
    if (!state.normal || state.normal->Count() < 2) return 12;
    DropComposedViews(state.context);
    // Hand-set matches: four or more per pair whatever the model.
    if (const int code = PrepareMosaic(state, MotionProjective); code != 0) return code;
    if (ProgressSetPos(sink, 10) != 0) return 2;
    const auto motion = static_cast<MotionModel>(model);
    if (const int code = EstimatePairs(state, motion, sink, 10, 50); code != 0) return code;
    if (ProgressSetPos(sink, 50) != 0) return 2;
    MosaicContext& context = state.context;
    if (state.normal->base == 0) context.base = ChooseBase(context);
    ChainTransforms(context);
    *P = context.records[0].pairwise;
    *Q = context.records[1].prev_inverse;
    return 0;
}

// Loads the processing images with their alignments and translation positions unless the
// context holds them already.
int PrepareImages(MosaicState& state) {
    MosaicContext& context = state.context;
    if (context.images != nullptr) return 0;
    if (const int code = LoadProcessingImages(state); code != 0) return code;
    if (const int code = ApplyAlignments(state); code != 0) return code;
    ComputeTranslationPositions(context);
    return 0;
}

int Render(MosaicState& state, IImageAdapter* out, const Homography8& P, const Homography8& Q,
           double t, int blendType, bool keepBaseFrame, ProgressSink* sink) {
    if (blendType != kInterpolateBlendMosaic && blendType != kInterpolateBlendDissolve) return 12;
    if (!std::isfinite(t) || out == nullptr || !state.normal) return 12;
    if (ProgressSetPos(sink, 5) != 0) return 2;
    if (const int code = PrepareImages(state); code != 0) return code;
    if (const int code = SetBase(state); code != 0) return code;
    MosaicContext& context = state.context;
    const int count = context.count;
    if (count >= 2) {
        context.records[0].pairwise = P;
        context.records[1].prev_inverse = Q;
    }
    ChainTransforms(context);
    if (count == 2) {
        // Image 0 moves from image 1's frame (t = 0) to its own (t = 1); image 1 follows it
        // through Q, so the pair keeps its relative geometry.
        const Homography8 M = InterpolatedTransform(P, t);
        Homography8 second;
        if (!ComposeHomography(M, Q, &second)) return 7;
        const Homography8 toCanvas[2] = {M, second};
        for (int k = 0; k < 2; ++k) {
            MosaicImageRecord& record = context.records[static_cast<std::size_t>(k)];
            Homography8 toImage;
            if (!InvertHomography(toCanvas[k], &toImage)) return 7;
            record.to_canvas = toCanvas[k];
            record.to_image = toImage;
        }
    }
    if (ProgressSetPos(sink, 50) != 0) return 2;
    CompositionRule rule;
    rule.base_frame = keepBaseFrame;
    // A dissolve needs the pair; more images are composed as a mosaic.
    rule.dissolve = count == 2 && blendType == kInterpolateBlendDissolve;
    rule.dissolve_weight = t;
    if (const int code = ComposeMosaic(state, sink, 50, 90, rule); code != 0) return code;
    if (ProgressSetPos(sink, 90) != 0) {
        NDestroyImage(std::exchange(context.output, nullptr));
        NDestroyImage(std::exchange(context.output48, nullptr));
        return 2;
    }
    if (const int code = DeliverOutput(context, out); code != 0) return code;
    // The picture is delivered: a cancel at the last report has nothing left to stop.
    ProgressSetPos(sink, 100);
    return 0;
}

} // namespace

Homography8 InterpolatedTransform(const Homography8& P, double t) {
    const double identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    double m[9];
    for (int i = 0; i < 9; ++i) {
        const double p = i < 8 ? P.h[i] : 1.0;
        m[i] = t * identity[i] + (1.0 - t) * p;
    }
    Homography8 M;
    for (int i = 0; i < 8; ++i) M.h[i] = m[i] / m[8];
    return M;
}

int InterpolateEstimate(MosaicState& state, int model, ProgressSink* sink, Homography8* P,
                        Homography8* Q) {
    try {
        return Estimate(state, model, sink, P, Q);
    } catch (const std::bad_alloc&) {
        return 3;
    }
}

int InterpolateRender(MosaicState& state, IImageAdapter* out, const Homography8& P,
                      const Homography8& Q, double t, int blendType, bool keepBaseFrame,
                      ProgressSink* sink) {
    try {
        return Render(state, out, P, Q, t, blendType, keepBaseFrame, sink);
    } catch (const std::bad_alloc&) {
        NDestroyImage(std::exchange(state.context.output, nullptr));
        NDestroyImage(std::exchange(state.context.output48, nullptr));
        return 3;
    }
}
