// MFCPanorama's cylinder mosaics and the focal-length estimate that may precede them.
#include "mosaic/cylinder_mosaic.h"
#include "mosaic/focal_estimate.h"
#include "session/operation.h"
#include "session/session_state.h"
#include "stitchkit/MFCPanorama.h"

namespace {

constexpr int kFocalDescription = 30023; // "Getting focal length..."

} // namespace

MosaicReturnValue MFCPanorama::DoCylinderMosaics(double focal, IImageAdapter* out,
                                                 bool keepPrepared, IProgress*) {
    Session().refine = m_globalRefinement;
    const int code = GuardedCode([&] {
        return Shown(*this, RunOperation(kMosaicDescription, false, [&](ProgressSink* sink) {
            return CylinderMosaic(Session(), focal, out, keepPrepared, sink);
        }));
    });
    DestroyInternalData();
    return Finish(code, true);
}

MosaicReturnValue MFCPanorama::DoCylinderMosaicsPanTilt(double focal, double angle,
                                                        IImageAdapter* out, IProgress*) {
    const int code = GuardedCode([&] {
        return Shown(*this, RunOperation(kMosaicDescription, false, [&](ProgressSink* sink) {
            return CylinderMosaicPanTilt(Session(), focal, angle, out, sink);
        }));
    });
    DestroyInternalData();
    return Finish(code, true);
}

// The prepared context stays for a following DoCylinderMosaics with keepPrepared.
void MFCPanorama::GetAutoFocalList(AutoFocalListStruct* list) {
    Session().refine = m_globalRefinement;
    Finish(GuardedCode([&] {
        return Shown(*this, RunOperation(kFocalDescription, false, [&](ProgressSink* sink) {
            return EstimateFocalList(Session(), list, sink);
        }));
    }));
}
