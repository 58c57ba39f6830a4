// MFCPanorama's view interpolation: estimating the pair's transforms and rendering a view.
#include <algorithm>

#include "core/guard.h"
#include "mosaic/interpolation.h"
#include "session/operation.h"
#include "session/session_state.h"
#include "stitchkit/MFCPanorama.h"

namespace {

Homography8 FromBlock(const double* block) {
    Homography8 H;
    std::copy(block, block + 8, H.h);
    return H;
}

} // namespace

bool MFCPanorama::DoInterpolateParams(IImageAdapter*, double* P, double* Q, int ProjModel,
                                      IProgress*) {
    return Succeeded(Finish(GuardedCode([&] {
        if (P == nullptr || Q == nullptr) return Shown(*this, MosaicInconsistent);
        Homography8 p, q;
        const int code = RunOperation(kMosaicDescription, true, [&](ProgressSink* sink) {
            return InterpolateEstimate(Session(), ProjModel, sink, &p, &q);
        });
        if (code == 0) {
            std::copy(p.h, p.h + 8, P);
            std::copy(q.h, q.h + 8, Q);
        }
        return Shown(*this, code);
    })));
}

bool MFCPanorama::DoInterpolateRendering(IImageAdapter* out, const double* P, const double* Q,
                                         double t, BlendType blendType, bool keepBaseFrame,
                                         IProgress*) {
    return Succeeded(Finish(GuardedCode([&] {
        if (P == nullptr || Q == nullptr) return Shown(*this, MosaicInconsistent);
        const Homography8 p = FromBlock(P), q = FromBlock(Q);
        return Shown(*this, RunOperation(kMosaicDescription, true, [&](ProgressSink* sink) {
            return InterpolateRender(Session(), out, p, q, t, blendType, keepBaseFrame, sink);
        }));
    })));
}

bool MFCPanorama::DoInterpolateMosaics(IImageAdapter* out, IProgress*, double t,
                                       BlendType blendType) {
    return Succeeded(Finish(GuardedCode([&] {
        // A blending that cannot be rendered is refused before any work is spent on
        // estimation.
        if (blendType != BlendTypeMosaic && blendType != BlendTypeDissolve)
            return Shown(*this, MosaicInconsistent);
        int estimate = 0;
        const int render = RunOperation(kMosaicDescription, true, [&](ProgressSink* sink) {
            Homography8 p, q;
            estimate = InterpolateEstimate(Session(), MotionAffine, sink, &p, &q);
            if (estimate != 0) return estimate;
            return InterpolateRender(Session(), out, p, q, t, blendType, true, sink);
        });
        return Shown(*this, estimate != 0 ? estimate : render);
    })));
}
