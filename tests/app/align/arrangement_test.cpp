// The arrangement rules: hit test, the chain kept consistent when a pair moves, the overlap
// test and the automatic rearrangement.
#include <gtest/gtest.h>

#include "arrangement.h"
#include "image_impl.h"

namespace {

// A document of pictures of the given sizes placed at the given top-left corners.
struct Placed {
    int left, top, width, height;
};
void Fill(CAlignDocument& document, const std::vector<Placed>& placed) {
    for (const Placed& p : placed) {
        auto record = std::make_unique<CImageInfo>("/p", PictureCorrection{}, 1.0f);
        record->SetPicture(CImageImpl::Create(p.width, p.height, 24, kImageTypeBmp));
        record->MoveTo(p.left, p.top);
        document.m_ImageInfoList.push_back(std::move(record));
    }
}
std::vector<CImageInfo*> Records(CAlignDocument& document) {
    std::vector<CImageInfo*> records;
    for (auto& r : document.m_ImageInfoList) records.push_back(r.get());
    return records;
}

} // namespace

TEST(Arrangement, HitTestTakesTheUpperPicture) {
    CAlignDocument document;
    Fill(document, {{0, 0, 100, 80}, {60, 10, 100, 80}});
    const std::vector<CImageInfo*> pictures = Records(document);
    struct Case {
        int x, y, index, containing;
    } cases[] = {
        {70, 20, 1, 2},   // where both lie, the second (drawn on top) is hit
        {10, 10, 0, 1},   // only the first
        {159, 89, 1, 1},  // last pixel of the second
        {160, 20, -1, 0}, // right edge is outside
        {-1, 0, -1, 0},
    };
    for (const Case& c : cases) {
        const PictureHit hit = HitTest(pictures, c.x, c.y);
        EXPECT_EQ(hit.index, c.index) << c.x << "," << c.y;
        EXPECT_EQ(hit.containing, c.containing) << c.x << "," << c.y;
    }
    // At half zoom the display rectangles halve: (40, 10) lies in both.
    for (CImageInfo* p : pictures) p->SetZoom(0.5f);
    EXPECT_EQ(HitTest(pictures, 40, 10).index, 1);
    EXPECT_EQ(HitTest(pictures, 20, 10).index, 0);
}

TEST(Arrangement, PairMovesCarryToTheRestOfTheChain) {
    CAlignDocument document;
    Fill(document, {{0, 0, 100, 80}, {70, 0, 100, 80}, {140, 0, 100, 80}, {210, 0, 100, 80}});
    // Pair (1, 2): picture 2 dragged by (+10, -5), picture 1 by (-3, 4).
    const PlacementRect savedA = document.At(1)->Rect(), savedB = document.At(2)->Rect();
    document.At(2)->MoveTo(150, -5);
    document.At(1)->MoveTo(67, 4);
    CommitPairMoves(document, 1, savedA, savedB);
    EXPECT_EQ(document.At(0)->Rect(), (PlacementRect{-3, 4, 97, 84}));    // with picture 1
    EXPECT_EQ(document.At(3)->Rect(), (PlacementRect{220, -5, 320, 75})); // with picture 2

    // The display-rectangle drag with the following pictures.
    std::vector<CImageInfo*> pictures = Records(document);
    for (CImageInfo* p : pictures) p->SetZoom(0.5f);
    MoveDisplayTopLeft(pictures, 2, 80, 10, true); // display (75, -2) -> (80, 10)
    EXPECT_EQ(document.At(2)->Rect().left, 160);
    EXPECT_EQ(document.At(2)->Rect().top, 20);
    EXPECT_EQ(document.At(3)->Rect().left, 230); // display 110 + 5 = 115 -> 230
    EXPECT_EQ(document.At(1)->Rect().left, 67);  // earlier pictures stay
}

TEST(Arrangement, OverlapTestAndRearrangement) {
    CAlignDocument document;
    Fill(document, {{100, 0, 120, 80}, {0, 0, 120, 80}, {200, 0, 120, 80}});
    // middle, left, right: left and right, now neighbours, do not meet.
    EXPECT_FALSE(NeighboursOverlap(document));
    std::vector<PlacementRect> placements;
    for (auto& r : document.m_ImageInfoList) placements.push_back(r->Rect());
    // Chains: from middle 100^2 + 200^2 (left and right tie: left, the earlier entry, first);
    // from left and from right 2 x 100^2 each: the earlier start (left) wins.
    EXPECT_EQ(RearrangementOrder(placements), (std::vector<int>{1, 0, 2}));
    // Right, left, middle: from right the chain right, middle, left costs the least first.
    EXPECT_EQ(RearrangementOrder({placements[2], placements[1], placements[0]}),
              (std::vector<int>{0, 2, 1}));
    // Two pictures keep their order.
    EXPECT_EQ(RearrangementOrder({placements[2], placements[1]}), (std::vector<int>{0, 1}));

    // Pictures that only touch do not overlap.
    CAlignDocument apart;
    Fill(apart, {{0, 0, 100, 80}, {100, 0, 100, 80}});
    EXPECT_FALSE(NeighboursOverlap(apart));
}
