#include "stitchkit/MFCPanorama.h"

#include <cstdio>

#include "core/guard.h"
#include "core/image_record.h"
#include "core/report.h"
#include "session/auto_align.h"
#include "session/coarse_registration.h"
#include "session/operation.h"
#include "session/session_state.h"
#include "stitchkit/CProgressWnd.h"
#include "stitchkit/Host.h"

namespace {

// Appends an adapter to a set (made on the first call, sized by that adapter); -1 when the
// adapter has no picture, which is refused here rather than in a worker.
int AddToSet(std::unique_ptr<ImageSet>& set, IImageAdapter* image, bool is48) {
    if (image == nullptr) return -1;
    int width = 0, height = 0;
    try {
        width = image->GetWidth();
        height = image->GetHeight();
    } catch (const CBmpAdapterException&) {
        return -1;
    }
    if (!set) {
        set = std::make_unique<ImageSet>();
        set->width = width;
        set->height = height;
        set->is48 = is48;
    }
    set->adapters.push_back(image);
    return set->Count() - 1;
}

} // namespace

MFCPanorama::MFCPanorama() {
    ResetSession();
}

MFCPanorama::~MFCPanorama() {
    ResetSession();
}

MosaicReturnValue MFCPanorama::Finish(int code, bool delivered) {
    m_lastResult = static_cast<MosaicReturnValue>(code);
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

int MFCPanorama::AddImage(IImageAdapter* image) {
    const int index = Guarded(-1, -1, [&] { return AddToSet(Session().normal, image, false); });
    if (index >= 0) ++m_imageCount;
    return index;
}

int MFCPanorama::AddImage48(IImageAdapter* image) {
    const int index = Guarded(-1, -1, [&] { return AddToSet(Session().set48, image, true); });
    if (index >= 0) ++m_image48Count;
    return index;
}

void MFCPanorama::DeleteAllImages() {
    // The adapters are the caller's; only the entries go. The counts follow, so that the
    // session never reports images it no longer holds.
    if (Session().normal) Session().normal->adapters.clear();
    m_imageCount = 0;
}

int MFCPanorama::AddAlign(int dr, int dc) {
    ImageSet* set = Session().normal.get();
    if (set == nullptr || set->Count() == 0) return -1;
    return Guarded(-1, -1, [&] {
        if (!set->align) set->align = std::make_unique<AlignList>();
        set->align->entries.push_back(AlignEntry{dr, dc});
        return static_cast<int>(set->align->entries.size()) - 1;
    });
}

int MFCPanorama::GetAlign(int i, int j, int* dr, int* dc) {
    const ImageSet* set = Session().normal.get();
    if (j != i + 1 || set == nullptr || !set->align || i < 0) return 0;
    const int count = static_cast<int>(set->align->entries.size());
    if (count < i + 1) return count;
    if (dr != nullptr) *dr = set->align->entries[static_cast<std::size_t>(i)].dr;
    if (dc != nullptr) *dc = set->align->entries[static_cast<std::size_t>(i)].dc;
    return i;
}

void MFCPanorama::DeleteAllAlign() {
    if (Session().normal) Session().normal->align.reset();
}

int MFCPanorama::AddMatch(int i, int j, double r1, double c1, double r2, double c2) {
    ImageSet* set = Session().normal.get();
    if (set == nullptr) return 0;
    return Guarded(0, 0, [&] {
        if (!set->match_seq) set->match_seq = std::make_unique<MatchSequence>();
        auto& sets = set->match_seq->sets;
        if (j != i + 1 || i < 0 || i > static_cast<int>(sets.size())) return 0;
        if (i == static_cast<int>(sets.size())) sets.emplace_back();
        auto& pairs = sets[static_cast<std::size_t>(i)].pairs;
        pairs.push_back(MatchPair{r1, c1, r2, c2});
        return static_cast<int>(pairs.size());
    });
}

int MFCPanorama::AddMatch360(double r1, double c1, double r2, double c2) {
    ImageSet* set = Session().normal.get();
    if (set == nullptr || !set->match_seq) {
        NPrintf("Error : m_bimage->match_seq must be exit!\n");
        return 0;
    }
    auto& sets = set->match_seq->sets;
    return Guarded(0, 0, [&] {
        if (static_cast<int>(sets.size()) != m_imageCount || sets.empty()) sets.emplace_back();
        auto& pairs = sets.back().pairs;
        pairs.push_back(MatchPair{r1, c1, r2, c2});
        return static_cast<int>(pairs.size());
    });
}

void MFCPanorama::DeleteAllMatches() {
    if (Session().normal) Session().normal->match_seq.reset();
}

void MFCPanorama::SetAlignment360(int dr, int dc) {
    Session().context.align360_dr = dr;
    Session().context.align360_dc = dc;
}

void MFCPanorama::SetSize(int mode) {
    if (Session().normal) Session().normal->size = mode;
}

void MFCPanorama::SetBase(int base) {
    if (Session().normal) Session().normal->base = base;
}

void MFCPanorama::SetBkColor(unsigned char r, unsigned char g, unsigned char b) {
    Session().context.background = (r << 16) | (g << 8) | b;
}

void MFCPanorama::SetBlendLevelGradual() {
    Session().context.blend_level = 0;
}
void MFCPanorama::SetBlendLevelHalf() {
    Session().context.blend_level = 1;
}
void MFCPanorama::SetBlendLevelSteep() {
    Session().context.blend_level = 2;
}
void MFCPanorama::SetBlendLevelNone() {
    Session().context.blend_level = 3;
}
void MFCPanorama::SetColCorrection(bool on) {
    Session().context.colour_correction = on ? 1 : 0;
}
void MFCPanorama::SetFlag360(int flag) {
    Session().context.flag360 = flag == 1 ? 1 : 0;
}
void MFCPanorama::SetFlgNearestNeighbor(bool on) {
    Session().context.nearest_neighbour = on ? 1 : 0;
}

void MFCPanorama::SetFlgFrom8bitTo24bit(bool on) {
    if (Session().normal) Session().normal->expand8bit = on;
}

void MFCPanorama::SetPanoColorPalette(RGBQUAD* palette) {
    Session().context.palette = palette;
}

void MFCPanorama::SetMaskImage(IImageAdapter* mask) {
    // A mask the adapter cannot give keeps the previous one.
    N_ImageRec* image =
        mask != nullptr ? Guarded<N_ImageRec*>(nullptr, nullptr, [&] { return mask->ToNIL(true); })
                        : nullptr;
    if (mask != nullptr && image == nullptr) return; // keep the previous mask
    if (image != nullptr && image->nbands != 1) {
        N_ImageRec* band = NCopyImage(image, nullptr, 0);
        NDestroyImage(image);
        if (band == nullptr) return;
        image = band;
    }
    NDestroyImage(Session().context.mask);
    Session().context.mask = image;
}

void MFCPanorama::SkipFeatureMatching(bool skip) {
    Session().context.skip_feature_matching = skip ? 1 : 0;
}

bool MFCPanorama::DoAutoAlign(IProgress*) {
    return Succeeded(Finish(GuardedCode([&] {
        return Shown(*this, RunOperation(kAutoAlignDescription, false, [](ProgressSink* sink) {
            return AlignAllWorker(Session(), nullptr, sink);
        }));
    })));
}

bool MFCPanorama::DoAutoAlignCorr(IProgress*) {
    return Succeeded(Finish(GuardedCode([&] {
        return Shown(*this, RunOperation(kNoDescription, false, [](ProgressSink* sink) {
            return AlignAllWorker(Session(), nullptr, sink);
        }));
    })));
}

bool MFCPanorama::DoAutoAlignCorrMask(IImageAdapter* mask, IProgress*) {
    return Succeeded(Finish(GuardedCode([&] {
        return Shown(*this, RunOperation(static_cast<int>(kProcessingTitle), false,
                                         [mask](ProgressSink* sink) {
                                             return AlignAllWorker(Session(), mask, sink);
                                         }));
    })));
}

bool MFCPanorama::DoAutoAlignPair(int i, int j, int* dr, int* dc, IProgress*) {
    return Succeeded(Finish(GuardedCode([&] {
        return Shown(*this, RunOperation(kAutoAlignDescription, false, [&](ProgressSink* sink) {
            return AlignPairWorker(Session(), i, j, dr, dc, nullptr, sink);
        }));
    })));
}

bool MFCPanorama::DoAutoAlignPairMask(IImageAdapter* mask, int i, int j, int* dr, int* dc,
                                      IProgress*) {
    return Succeeded(Finish(GuardedCode([&] {
        if (mask == nullptr) return Shown(*this, MosaicInconsistent);
        return Shown(*this, RunOperation(kAutoAlignDescription, false, [&](ProgressSink* sink) {
            return AlignPairWorker(Session(), i, j, dr, dc, mask, sink);
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
    ResetSession();
    m_imageCount = 0;
    m_image48Count = 0;
}
