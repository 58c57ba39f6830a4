// MFCPanorama's plane, translation, rigid and strip mosaics: estimation, composition, delivery.
#include <utility>

#include "core/image_record.h"
#include "core/progress_sink.h"
#include "mosaic/composition.h"
#include "mosaic/flat_mosaic.h"
#include "mosaic/planar_mosaic.h"
#include "mosaic/strip_renderer.h"
#include "session/operation.h"
#include "session/session_state.h"
#include "stitchkit/MFCPanorama.h"

namespace {

// Prepares the context, estimates every pair and chains the transforms to the base image.
int FlatEstimateWorker(SessionState& session, MotionModel model, ProgressSink* sink) {
    if (ProgressSetPos(sink, 5) != 0) return 2;
    if (const int code = PrepareMosaic(session, model); code != 0) return code;
    if (ProgressSetPos(sink, 10) != 0) return 2;
    if (const int code = EstimatePairs(session, model, sink, 10, 90); code != 0) return code;
    if (ProgressSetPos(sink, 90) != 0) return 2;
    if (session.normal->base == 0) session.context.base = ChooseBase(session.context);
    ChainTransforms(session.context);
    if (ProgressSetPos(sink, 100) != 0) return 2;
    return 0;
}

// The strip mosaic: flat preparation and estimation, base image 0, the images laid side by side
// (closed over a full turn with the 360-degree flag), then delivery.
int StripWorker(SessionState& session, MotionModel model, IImageAdapter* out, ProgressSink* sink) {
    if (out == nullptr) return 12;
    if (ProgressSetPos(sink, 5) != 0) return 2;
    if (const int code = PrepareMosaic(session, model); code != 0) return code;
    if (ProgressSetPos(sink, 10) != 0) return 2;
    if (const int code = EstimatePairs(session, model, sink, 10, 50); code != 0) return code;
    if (ProgressSetPos(sink, 50) != 0) return 2;
    MosaicContext& context = session.context;
    context.base = 0;
    ChainTransforms(context);
    const int code = context.flag360 == 1 ? RenderStrip360(context, model, sink, 50, 90)
                                          : RenderStrip(context, model, sink, 50, 90);
    if (code != 0) return code;
    if (ProgressSetPos(sink, 90) != 0) return 2;
    if (const int delivered = DeliverOutput(context, out); delivered != 0) return delivered;
    // The picture is delivered: a cancel at the last report has nothing left to stop.
    ProgressSetPos(sink, 100);
    return 0;
}

// The strip mosaic's result code, its message shown; nothing is kept after a failure.
int StripMosaic(MFCPanorama& panorama, MotionModel model, IImageAdapter* out) {
    Session().refine = panorama.GetGlobalRefinement();
    const int code = RunOperation(kMosaicDescription, false, [&](ProgressSink* sink) {
        const int worked = StripWorker(Session(), model, out, sink);
        if (worked != 0) NDestroyImage(std::exchange(Session().context.output, nullptr));
        return worked;
    });
    return Shown(panorama, code);
}

// Estimation, then (when its result is accepted) composition; the code of the estimate when it
// was refused, else of the composition (9 when the estimate fell back and the composition
// succeeded). Each refusal's message is shown; 9 shows nothing.
int EstimateAndRender(MFCPanorama& panorama, MotionModel model, IImageAdapter* out,
                      bool* estimated) {
    int estimate = 0;
    const int render = RunOperation(kMosaicDescription, false, [&](ProgressSink* sink) {
        estimate = FlatEstimateWorker(Session(), model, sink);
        *estimated = panorama.ShowWarning(static_cast<MosaicReturnValue>(estimate));
        if (!*estimated) return estimate;
        return RenderMosaic(Session(), out, sink);
    });
    // A refused estimate has shown its message; an exception before the estimate was judged
    // ends with the operation's code, shown here.
    if (!*estimated) return Succeeded(estimate) ? Shown(panorama, render) : estimate;
    Shown(panorama, render);
    return estimate == 9 && render == 0 ? 9 : render;
}

// The flat mosaic of a model. A refused estimate leaves the prepared context for a retry;
// the session is reset after a composition.
int FlatMosaic(MFCPanorama& panorama, MotionModel model, IImageAdapter* out) {
    Session().refine = panorama.GetGlobalRefinement();
    bool estimated = false;
    const int code =
        GuardedCode([&] { return EstimateAndRender(panorama, model, out, &estimated); });
    if (estimated) panorama.DestroyInternalData();
    return code;
}

} // namespace

bool MFCPanorama::DoTranslationHMosaics(IImageAdapter* out, IProgress*) {
    const int code = GuardedCode([&] { return StripMosaic(*this, MotionTranslationStrip, out); });
    DestroyInternalData();
    return Succeeded(Finish(code, true));
}

bool MFCPanorama::DoRigidTransHMosaics(IImageAdapter* out, IProgress*) {
    const int code = GuardedCode([&] { return StripMosaic(*this, MotionRigidStrip, out); });
    DestroyInternalData();
    return Succeeded(Finish(code, true));
}

bool MFCPanorama::DoTranslationMosaics(IImageAdapter* out, IProgress*) {
    return Succeeded(Finish(FlatMosaic(*this, MotionTranslation, out), true));
}

bool MFCPanorama::DoRigidTransMosaics(IImageAdapter* out, IProgress*) {
    return Succeeded(Finish(FlatMosaic(*this, MotionRigid, out), true));
}

bool MFCPanorama::GetTranslationParams(IImageAdapter*, IProgress*) {
    Session().refine = m_globalRefinement;
    return Succeeded(Finish(GuardedCode([&] {
        return Shown(*this, RunOperation(kMosaicDescription, true, [](ProgressSink* sink) {
            return FlatEstimateWorker(Session(), MotionTranslation, sink);
        }));
    })));
}

bool MFCPanorama::RenderMosaics(IImageAdapter* out, IProgress*) {
    const int code = GuardedCode([&] {
        const int render = RunOperation(kMosaicDescription, true, [out](ProgressSink* sink) {
            return RenderMosaic(Session(), out, sink);
        });
        return Shown(*this, render);
    });
    DestroyInternalData();
    return Succeeded(Finish(code, true));
}

MosaicReturnValue MFCPanorama::DoPlanarMosaics(IImageAdapter* out, IProgress*) {
    Session().refine = m_globalRefinement;
    const int code = GuardedCode([&] {
        int estimate = 0;
        const int render = RunOperation(kMosaicDescription, true, [&](ProgressSink* sink) {
            estimate = PlanarEstimate(Session(), sink);
            if (!Succeeded(estimate)) return estimate;
            return RenderMosaic(Session(), out, sink);
        });
        if (!Succeeded(estimate)) return Shown(*this, estimate);
        Shown(*this, render);
        return estimate == 9 && render == 0 ? 9 : render;
    });
    DestroyInternalData();
    return Finish(code, true);
}
