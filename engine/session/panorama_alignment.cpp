// MFCPanorama's alignment operations: automatic alignment of the pairs and coarse registration.
#include "session/auto_align.h"
#include "session/coarse_registration.h"
#include "session/operation.h"
#include "session/session_state.h"
#include "stitchkit/MFCPanorama.h"

bool MFCPanorama::DoAutoAlign(IProgress*) {
    return Succeeded(Finish(GuardedCode([&] {
        return Shown(*this, RunOperation(kAutoAlignDescription, false,
                                         [fine = m_fineAlignment](ProgressSink* sink) {
                                             return AlignAllWorker(Session(), nullptr, sink, fine);
                                         }));
    })));
}

bool MFCPanorama::DoAutoAlignCorr(IProgress*) {
    return Succeeded(Finish(GuardedCode([&] {
        return Shown(*this, RunOperation(kNoDescription, false,
                                         [fine = m_fineAlignment](ProgressSink* sink) {
                                             return AlignAllWorker(Session(), nullptr, sink, fine);
                                         }));
    })));
}

bool MFCPanorama::DoAutoAlignCorrMask(IImageAdapter* mask, IProgress*) {
    return Succeeded(Finish(GuardedCode([&] {
        return Shown(*this, RunOperation(static_cast<int>(kProcessingTitle), false,
                                         [mask, fine = m_fineAlignment](ProgressSink* sink) {
                                             return AlignAllWorker(Session(), mask, sink, fine);
                                         }));
    })));
}

bool MFCPanorama::DoAutoAlignPair(int i, int j, int* dr, int* dc, IProgress*) {
    return Succeeded(Finish(GuardedCode([&] {
        return Shown(*this, RunOperation(kAutoAlignDescription, false, [&](ProgressSink* sink) {
            return AlignPairWorker(Session(), i, j, dr, dc, nullptr, sink, m_fineAlignment);
        }));
    })));
}

bool MFCPanorama::DoAutoAlignPairMask(IImageAdapter* mask, int i, int j, int* dr, int* dc,
                                      IProgress*) {
    return Succeeded(Finish(GuardedCode([&] {
        if (mask == nullptr) return Shown(*this, MosaicInconsistent);
        return Shown(*this, RunOperation(kAutoAlignDescription, false, [&](ProgressSink* sink) {
            return AlignPairWorker(Session(), i, j, dr, dc, mask, sink, m_fineAlignment);
        }));
    })));
}

bool MFCPanorama::DoCoarseRegistration(IImageAdapter* out, IProgress*) {
    return Succeeded(Finish(GuardedCode([&] {
        return Shown(*this, RunOperation(kAutoAlignDescription, false, [out](ProgressSink* sink) {
            return CoarseRegistrationWorker(Session(), out, sink);
        }));
    })));
}
