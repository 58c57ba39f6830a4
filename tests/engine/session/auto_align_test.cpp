#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "core/image_ptr.h"
#include "session/session_state.h"
#include "stitchkit/MFCPanorama.h"
#include "support/test_images.h"
#include "support/test_sequence.h"

namespace {

using AutoAlignPair = QuietSessionTest;
using AutoAlignPairMask = QuietSessionTest;

using AutoAlign = QuietSessionTest;
using AutoAlignCorrMask = QuietSessionTest;

using CoarseRegistration = QuietSessionTest;

TEST_F(AutoAlignPair, FindsShiftsOnTheCoarseGrid) {
    // 300 x 400 views: the pair pyramid's coarsest level is level 3, a grid of 8 pixels. (A
    // palette picture reaches the search as the adapter's expanded bands.)
    for (ViewKind kind : {ViewKind::Rgb24, ViewKind::Grey8}) {
        ViewSequence seq(300, 400, {{0, 0}, {0, 40}, {-16, 43}}, kind);
        MFCPanorama session;
        seq.AddTo(session);
        int dr = 99, dc = 99;
        ASSERT_TRUE(session.DoAutoAlignPair(0, 1, &dr, &dc));
        EXPECT_EQ(dr, 0);
        EXPECT_EQ(dc, 40);
        ASSERT_TRUE(session.DoAutoAlignPair(0, 2, &dr, &dc));
        EXPECT_LE(std::abs(dr + 16), 4);
        EXPECT_LE(std::abs(dc - 43), 4);
        // The reverse pair gives the opposite shift.
        ASSERT_TRUE(session.DoAutoAlignPair(1, 0, &dr, &dc));
        EXPECT_EQ(dr, 0);
        EXPECT_EQ(dc, -40);
    }
    EXPECT_EQ(prompts.Count(), 0u);
    EXPECT_EQ(progress.Log().positions.back(), 100);
}

TEST_F(AutoAlignPair, BadRequestsLeaveTheOutputsAlone) {
    ViewSequence seq(120, 160, {{0, 0}, {0, 30}}, ViewKind::Rgb24);
    MFCPanorama session;
    int dr = 7, dc = 7;
    EXPECT_FALSE(session.DoAutoAlignPair(0, 1, &dr, &dc)); // no images at all
    seq.AddTo(session);
    EXPECT_FALSE(session.DoAutoAlignPair(1, 1, &dr, &dc));
    EXPECT_FALSE(session.DoAutoAlignPair(0, 2, &dr, &dc));
    EXPECT_FALSE(session.DoAutoAlignPair(-1, 0, &dr, &dc));
    EXPECT_EQ(dr, 7);
    EXPECT_EQ(dc, 7);
    EXPECT_EQ(prompts.Count(), 4u);

    // A picture of another size makes the request inconsistent; one that cannot be converted
    // is reported as a memory failure.
    TestDib other = TextureView(100, 160, 0, 0, ViewKind::Rgb24);
    CBmpAdapter otherAdapter = other.Adapter();
    session.AddImage(&otherAdapter);
    EXPECT_FALSE(session.DoAutoAlignPair(0, 2, &dr, &dc));
    EXPECT_EQ(session.GetLastResult(), MosaicInconsistent);

    MFCPanorama fresh;
    TestDib deep(160, 120, 32);
    CBmpAdapter deepAdapter = deep.Adapter();
    seq.AddTo(fresh);
    fresh.AddImage(&deepAdapter);
    EXPECT_FALSE(fresh.DoAutoAlignPair(0, 2, &dr, &dc));
    EXPECT_EQ(fresh.GetLastResult(), MosaicNoMemory);
    EXPECT_EQ(dr, 7);
}

TEST_F(AutoAlignPairMask, MaskRestrictsTheComparison) {
    ViewSequence seq(240, 320, {{0, 0}, {8, 64}}, ViewKind::Rgb24);
    // Spoil the left half of the second view with a flat grey block; the mask excludes it.
    for (int r = 0; r < 240; ++r)
        for (int c = 0; c < 120; ++c)
            for (int b = 0; b < 3; ++b) seq.views[1].At(r, c, b) = 128;
    TestDib mask(320, 240, 8);
    mask.SetGreyRamp();
    for (int r = 0; r < 240; ++r)
        for (int c = 0; c < 320; ++c) mask.At(r, c) = c >= 128 ? 255 : 0;
    CBmpAdapter maskAdapter = mask.Adapter();
    MFCPanorama session;
    seq.AddTo(session);
    int dr = 0, dc = 0;
    ASSERT_TRUE(session.DoAutoAlignPairMask(&maskAdapter, 0, 1, &dr, &dc));
    EXPECT_LE(std::abs(dr - 8), 4);
    EXPECT_LE(std::abs(dc - 64), 4);

    // A mask with no usable pixel compares nothing and answers (0, 0).
    for (auto& byte : mask.pixels) byte = 0;
    ASSERT_TRUE(session.DoAutoAlignPairMask(&maskAdapter, 0, 1, &dr, &dc));
    EXPECT_EQ(dr, 0);
    EXPECT_EQ(dc, 0);
    EXPECT_EQ(prompts.Count(), 0u);
}

TEST_F(AutoAlign, AlignsEveryConsecutivePairWithinTheRefinedGrid) {
    // 300 x 400 views: five levels with minimum size 20, refined on level 2 (a grid of 4).
    const std::vector<Origin> origins = {{0, 0}, {6, 250}, {-10, 500}, {3, 741}, {0, 1000}};
    for (ViewKind kind : {ViewKind::Rgb24, ViewKind::Grey8}) {
        ViewSequence seq(300, 400, origins, kind);
        MFCPanorama session;
        seq.AddTo(session);
        session.AddAlign(1, 1); // replaced by the result
        ASSERT_TRUE(session.DoAutoAlign());
        for (int k = 0; k + 1 < static_cast<int>(origins.size()); ++k) {
            int dr = 0, dc = 0;
            ASSERT_EQ(session.GetAlign(k, k + 1, &dr, &dc), k);
            const int trueDr = origins[k + 1].top - origins[k].top;
            const int trueDc = origins[k + 1].left - origins[k].left;
            // Within one cell of the grid: the reduced levels of views whose origins differ by
            // a fraction of a block are not exact shifts of each other.
            EXPECT_LE(std::abs(dr - trueDr), 4) << "pair " << k;
            EXPECT_LE(std::abs(dc - trueDc), 4) << "pair " << k;
        }
    }
    EXPECT_EQ(prompts.Count(), 0u);
}

TEST(AutoAlignCancel, LeavesTheAlignmentListAsItWas) {
    const int count = 4;
    // The worker reports 5, 30, 30 + 15 k, 90 and 100: the first, one between pairs, the last.
    for (int position : {5, 45, 100}) {
        ScriptedProgress progress;
        RecordingPrompts prompts;
        progress.Log().cancelAtPosition = position;
        ViewSequence seq(120, 160, {{0, 0}, {0, 40}, {0, 80}, {0, 120}}, ViewKind::Grey8);
        MFCPanorama session;
        seq.AddTo(session);
        for (int k = 0; k + 1 < count; ++k) session.AddAlign(k, 1);
        EXPECT_FALSE(session.DoAutoAlign()) << position;
        EXPECT_EQ(session.GetLastResult(), MosaicCancelled);
        for (int k = 0; k + 1 < count; ++k) {
            int dr = 0, dc = 0;
            session.GetAlign(k, k + 1, &dr, &dc);
            EXPECT_EQ(dr, k);
            EXPECT_EQ(dc, 1);
        }
    }
}

TEST_F(AutoAlignCorrMask, UsesTheMaskedSearchForEveryPair) {
    ViewSequence seq(240, 320, {{0, 0}, {0, 96}, {4, 180}}, ViewKind::Rgb24);
    TestDib mask = FlatView(240, 320, 255);
    CBmpAdapter maskAdapter = mask.Adapter();
    MFCPanorama session;
    seq.AddTo(session);
    ASSERT_TRUE(session.DoAutoAlignCorrMask(&maskAdapter));
    int dr = 0, dc = 0;
    session.GetAlign(0, 1, &dr, &dc);
    EXPECT_LE(std::abs(dc - 96), 4);
    EXPECT_LE(std::abs(dr), 4);
    session.GetAlign(1, 2, &dr, &dc);
    EXPECT_LE(std::abs(dc - 84), 4);
    EXPECT_LE(std::abs(dr - 4), 4);
    EXPECT_EQ(prompts.Count(), 0u);
}

TEST_F(CoarseRegistration, FindsShiftsAndComposesAllImages) {
    ViewSequence seq(240, 320, {{0, 0}, {0, 96}, {8, 200}}, ViewKind::Rgb24);
    MFCPanorama session;
    seq.AddTo(session);
    AdapterResult result;
    CBmpAdapter& out = result.Adapter();
    ASSERT_TRUE(session.DoCoarseRegistration(&out));
    int dr = 0, dc = 0;
    session.GetAlign(0, 1, &dr, &dc);
    EXPECT_LE(std::abs(dr), 2);
    EXPECT_LE(std::abs(dc - 96), 2);
    int dr2 = 0, dc2 = 0;
    session.GetAlign(1, 2, &dr2, &dc2);
    EXPECT_LE(std::abs(dr2 - 8), 2);
    EXPECT_LE(std::abs(dc2 - 104), 2);
    // The composite is just large enough for every image at its cumulative position.
    ASSERT_FALSE(out.IsEmpty());
    EXPECT_EQ(out.GetWidth(), dc + dc2 + 320);
    const int top = std::min({0, dr, dr + dr2}), bottom = std::max({0, dr, dr + dr2}) + 240;
    EXPECT_EQ(out.GetHeight(), bottom - top);
    EXPECT_EQ(prompts.Count(), 0u);
}

} // namespace
