// The rules of arranging placed pictures, apart from any window: which picture a point hits,
// the content rectangle of a list, moving a picture with the ones after it, keeping a chain
// of placements consistent when one pair changes, the overlap test of neighbours and the
// automatic rearrangement into a chain of nearest neighbours.
#pragma once

#include <memory>
#include <span>
#include <vector>

#include "image_info.h"

class CImageImpl;
class CBmpAdapter;

// The result of a hit test: the topmost picture that contains the point (-1 for none) and how
// many pictures contain it.
struct PictureHit {
    int index = -1;
    int containing = 0;
};
// Walks the pictures in list order over their display rectangles; the last one that contains
// (x, y) is the topmost.
PictureHit HitTest(std::span<CImageInfo* const> pictures, int x, int y);

// The union of the pictures' display rectangles (at their zoom), or of their placements.
PlacementRect DisplayContent(std::span<CImageInfo* const> pictures);
PlacementRect PlacementContent(std::span<CImageInfo* const> pictures);

// Moves picture `index` so that its display top-left is (x, y); with `following`, every later
// picture of the list moves by the same display delta.
void MoveDisplayTopLeft(std::span<CImageInfo* const> pictures, int index, int x, int y,
                        bool following);

// After pair (i, i + 1) of the document moved since its placements were saved: every picture
// before i moves as picture i did, every picture after i + 1 as picture i + 1 did, so the chain
// of placements stays consistent.
void CommitPairMoves(CAlignDocument& document, int i, const PlacementRect& savedFirst,
                     const PlacementRect& savedSecond);

// True when every two neighbouring placements intersect.
bool NeighboursOverlap(const CAlignDocument& document);

// The order of the automatic rearrangement: for every start, a greedy chain to the nearest
// unvisited centre (squared distance; ties to the earlier list entry); the chain of the
// smallest summed squared step wins (ties to the earlier start). Fewer than 3 placements keep
// their order.
std::vector<int> RearrangementOrder(const std::vector<PlacementRect>& placements);

// An 8-bit mask picture handed to the engine with the grey ramp as its palette, for one call.
class GreyMaskAdapter {
public:
    explicit GreyMaskAdapter(CImageImpl& mask);
    ~GreyMaskAdapter();
    GreyMaskAdapter(const GreyMaskAdapter&) = delete;
    GreyMaskAdapter& operator=(const GreyMaskAdapter&) = delete;
    CBmpAdapter* Get() { return m_adapter.get(); }

private:
    BITMAPINFOHEADER m_header{};
    std::vector<RGBQUAD> m_palette;
    std::unique_ptr<CBmpAdapter> m_adapter;
};
