// The correspondence store: points at one common position in each picture, clamped to the
// picture; grabbing; taking pairs out; removing.
#include <gtest/gtest.h>

#include "correspondences.h"
#include "image_impl.h"

TEST(Correspondences, AddClampHitExtractRemove) {
    CImageInfo a("/a", {}, 1.0f), b("/b", {}, 1.0f);
    a.SetPicture(CImageImpl::Create(100, 80, 24, kImageTypeBmp));
    b.SetPicture(CImageImpl::Create(100, 80, 24, kImageTypeBmp));
    a.MoveTo(0, 0);
    b.MoveTo(60, 10);
    CorrespondenceStore store;
    // Inside both: the same common point in each picture's pixels.
    EXPECT_EQ(store.Add(70, 30, {&a, &b}), 0);
    EXPECT_EQ(store.At(0)[0].x, 70);
    EXPECT_EQ(store.At(0)[1].x, 10);
    EXPECT_EQ(store.At(0)[1].y, 20);
    // Only in b: a's point goes to a's nearest edge (column 99, row 5 -> clamped to 5).
    store.Add(150, 5, {&a, &b});
    EXPECT_EQ(store.At(1)[0].x, 99);
    EXPECT_EQ(store.At(1)[0].y, 5);
    EXPECT_EQ(store.At(1)[1].x, 90);
    EXPECT_EQ(store.At(1)[1].y, 0); // b starts at row 10
    // Grabbing within 16 pixels of a point, in the picture's own pixels.
    EXPECT_EQ(store.Hit(&b, 26, 36), (std::pair<int, int>{0, 1}));
    EXPECT_EQ(store.Hit(&b, 27, 20).first, -1);
    // Records (y, x) of a then b; the reverse order swaps them.
    const std::vector<MatchRecord> ab = store.Extract(&a, &b);
    ASSERT_EQ(ab.size(), 2u);
    EXPECT_EQ(ab[0], (MatchRecord{30, 70, 20, 10}));
    EXPECT_EQ(store.Extract(&b, &a)[0], (MatchRecord{20, 10, 30, 70}));
    // Removing the selected one takes every point of it and clears the selection.
    store.SetSelected(0);
    store.Remove(0);
    EXPECT_EQ(store.Count(), 1);
    EXPECT_EQ(store.Selected(), -1);
}
