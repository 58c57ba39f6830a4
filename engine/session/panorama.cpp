// MFCPanorama's lifetime and results: construction, warnings, last result, DestroyInternalData.
#include "stitchkit/MFCPanorama.h"

#include "core/guard.h"
#include "session/operation.h"
#include "session/session_state.h"
#include "stitchkit/Host.h"

MFCPanorama::MFCPanorama() {
    ResetSession();
}

MFCPanorama::~MFCPanorama() {
    ResetSession();
}

MosaicReturnValue MFCPanorama::Finish(int code, bool delivered) {
    m_lastResult = static_cast<MosaicReturnValue>(code);
    // An operation that keeps its context (an alignment, a refused estimate) leaves its pairs'
    // confidences there; one that released it had them taken by DestroyInternalData.
    if (!Session().context.pair_confidence.empty())
        m_pairConfidences = Session().context.pair_confidence;
    if (!delivered || !Succeeded(code)) m_coveredBottom = m_coveredRight = -1;
    return m_lastResult;
}

bool MFCPanorama::ShowWarning(MosaicReturnValue code) {
    const int id = MosaicMessageId(code);
    if (id == 0) return true;
    // A box the host could not show is a box not shown.
    Guarded(0, 0, [&] {
        return stitchkit::ShowMessageBox(stitchkit::LoadResourceString(id),
                                         stitchkit::LoadResourceString(30000),
                                         stitchkit::MB_ICONEXCLAMATION | stitchkit::MB_SYSTEMMODAL);
    });
    return false;
}

void MFCPanorama::DestroyInternalData() {
    const ImageSet* set = Session().normal.get();
    if (set != nullptr) {
        m_procWidth = static_cast<int>(set->width * set->scale);
        m_procHeight = static_cast<int>(set->height * set->scale);
    } else {
        m_procWidth = m_procHeight = -1;
    }
    const CoveredArea& covered = Session().context.covered;
    m_coveredTop = covered.top;
    m_coveredLeft = covered.left;
    m_coveredBottom = covered.bottom;
    m_coveredRight = covered.right;
    m_pairConfidences = Session().context.pair_confidence;
    ResetSession();
    m_imageCount = 0;
    m_image48Count = 0;
}
