// Fine alignment: every automatic alignment carried down to full resolution is exact to the
// pixel, where the coarse searches answer on their level's grid.
#include <gtest/gtest.h>

#include "stitchkit/MFCPanorama.h"
#include "support/recording_prompts.h"
#include "support/test_images.h"
#include "support/test_sequence.h"

TEST(FineAlignment, PairAllPairsAndMaskedSearchesAreExact) {
    RecordingPrompts prompts;
    // 300 x 400 views whose shifts are on no coarse grid (the pair search's is 8 pixels).
    const std::vector<Origin> origins = {{0, 0}, {-13, 43}, {-8, 81}, {3, 122}};
    for (ViewKind kind : {ViewKind::Rgb24, ViewKind::Grey8}) {
        ViewSequence seq(300, 400, origins, kind);
        MFCPanorama session;
        session.SetFineAlignment(true);
        seq.AddTo(session);
        TestDib mask = FlatView(300, 400, 255);
        CBmpAdapter maskAdapter = mask.Adapter();
        for (std::size_t k = 1; k < origins.size(); ++k) {
            const int i = static_cast<int>(k) - 1, j = static_cast<int>(k);
            const int wantR = origins[k].top - origins[k - 1].top;
            const int wantC = origins[k].left - origins[k - 1].left;
            int dr = 0, dc = 0;
            ASSERT_TRUE(session.DoAutoAlignPair(i, j, &dr, &dc));
            EXPECT_EQ(dr, wantR) << k;
            EXPECT_EQ(dc, wantC) << k;
            ASSERT_TRUE(session.DoAutoAlignPairMask(&maskAdapter, j, i, &dr, &dc));
            EXPECT_EQ(dr, -wantR) << k; // the reverse pair: the opposite shift
            EXPECT_EQ(dc, -wantC) << k;
        }
        ASSERT_TRUE(session.DoAutoAlign());
        for (std::size_t k = 1; k < origins.size(); ++k) {
            int dr = 0, dc = 0;
            session.GetAlign(static_cast<int>(k) - 1, static_cast<int>(k), &dr, &dc);
            EXPECT_EQ(dr, origins[k].top - origins[k - 1].top) << k;
            EXPECT_EQ(dc, origins[k].left - origins[k - 1].left) << k;
        }
    }
    EXPECT_EQ(prompts.Count(), 0u);
}
