// The flat mosaic operations of the session: estimation, then composition and delivery.
#include <new>
#include <utility>

#include "core/image_record.h"
#include "mosaic/composition.h"
#include "mosaic/flat_mosaic.h"
#include "mosaic/planar_mosaic.h"
#include "mosaic/strip_renderer.h"
#include "session/operation.h"
#include "session/progress_sink.h"
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

int GuardedStripWorker(SessionState& session, MotionModel model, IImageAdapter* out,
                       ProgressSink* sink) {
    int code = 3;
    try {
        code = StripWorker(session, model, out, sink);
    } catch (const std::bad_alloc&) {
        code = 3;
    }
    if (code != 0) NDestroyImage(std::exchange(session.context.output, nullptr));
    return code;
}

bool StripMosaic(MFCPanorama& panorama, MotionModel model, IImageAdapter* out) {
    const int code = RunOperation(kMosaicDescription, false, [&](ProgressSink* sink) {
        return GuardedStripWorker(Session(), model, out, sink);
    });
    const bool ok = panorama.ShowWarning(static_cast<MosaicReturnValue>(code));
    panorama.DestroyInternalData();
    return ok;
}

} // namespace

bool MFCPanorama::DoTranslationHMosaics(IImageAdapter* out, IProgress*) {
    return StripMosaic(*this, MotionTranslationStrip, out);
}

bool MFCPanorama::DoRigidTransHMosaics(IImageAdapter* out, IProgress*) {
    return StripMosaic(*this, MotionRigidStrip, out);
}

// Estimation, then (when its result is accepted) composition; the session is reset only after
// a composition, so a refused estimate leaves the prepared context for a retry.
static bool EstimateAndRender(MFCPanorama& panorama, MotionModel model, IImageAdapter* out) {
    bool estimated = false;
    int renderCode = 0;
    RunOperation(kMosaicDescription, false, [&](ProgressSink* sink) {
        const int code = FlatEstimateWorker(Session(), model, sink);
        estimated = panorama.ShowWarning(static_cast<MosaicReturnValue>(code));
        if (!estimated) return code;
        renderCode = RenderMosaic(Session(), out, sink);
        return renderCode;
    });
    if (!estimated) return false;
    if (renderCode != 9) panorama.ShowWarning(static_cast<MosaicReturnValue>(renderCode));
    panorama.DestroyInternalData();
    return renderCode == 0 || renderCode == 9;
}

bool MFCPanorama::DoTranslationMosaics(IImageAdapter* out, IProgress*) {
    return EstimateAndRender(*this, MotionTranslation, out);
}

bool MFCPanorama::DoRigidTransMosaics(IImageAdapter* out, IProgress*) {
    return EstimateAndRender(*this, MotionRigid, out);
}

bool MFCPanorama::GetTranslationParams(IImageAdapter*, IProgress*) {
    const int code = RunOperation(kMosaicDescription, true, [](ProgressSink* sink) {
        return FlatEstimateWorker(Session(), MotionTranslation, sink);
    });
    return ShowWarning(static_cast<MosaicReturnValue>(code));
}

bool MFCPanorama::RenderMosaics(IImageAdapter* out, IProgress*) {
    const int code = RunOperation(kMosaicDescription, true, [out](ProgressSink* sink) {
        return RenderMosaic(Session(), out, sink);
    });
    if (code != 9) ShowWarning(static_cast<MosaicReturnValue>(code));
    DestroyInternalData();
    return code == 0 || code == 9;
}

MosaicReturnValue MFCPanorama::DoPlanarMosaics(IImageAdapter* out, IProgress*) {
    int estimate = 0;
    const int render = RunOperation(kMosaicDescription, true, [&](ProgressSink* sink) {
        estimate = PlanarEstimate(Session(), sink);
        if (estimate != 0 && estimate != 9) return estimate;
        return RenderMosaic(Session(), out, sink);
    });
    if (estimate != 0 && estimate != 9) {
        ShowWarning(static_cast<MosaicReturnValue>(estimate));
        DestroyInternalData();
        return static_cast<MosaicReturnValue>(estimate);
    }
    if (render != 9) ShowWarning(static_cast<MosaicReturnValue>(render));
    DestroyInternalData();
    return static_cast<MosaicReturnValue>(estimate == 9 && render == 0 ? 9 : render);
}
