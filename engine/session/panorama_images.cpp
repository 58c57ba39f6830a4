// MFCPanorama's images and their records: pictures, alignments and hand-set matches.
#include <memory>

#include "core/guard.h"
#include "core/report.h"
#include "session/session_state.h"
#include "stitchkit/MFCPanorama.h"

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
