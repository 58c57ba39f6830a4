#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "session/session_state.h"
#include "stitchkit/MFCPanorama.h"
#include "support/test_images.h"
#include "support/test_sequence.h"

namespace {

using TranslationMosaic = QuietSessionTest;

TEST_F(TranslationMosaic, CompositeReproducesTheTextureInTheCoveredArea) {
    // (Laid by the given alignments alone, the composition test's views show the texture
    // exactly; here the shifts are matched.)
    const std::vector<Origin> origins = {{0, 0}, {6, 210}, {-4, 430}};
    ViewSequence seq(240, 320, origins, ViewKind::Rgb24);
    MFCPanorama session;
    seq.AddAligned(session);
    session.SetSize(2);
    CBmpAdapter out;
    ASSERT_TRUE(session.DoTranslationMosaics(&out));
    const DeliveredPicture composite(out);
    // The canvas spans every view's corners and the base (middle) view's rectangle, which
    // reaches one row and column beyond its last pixel: rows -10 .. 240 in the base frame,
    // columns -210 .. 539.
    EXPECT_EQ(composite.height, 251);
    EXPECT_EQ(composite.width, 750);
    // Canvas (0, 0) is texture (-4, 0); every covered pixel shows the texture there. The
    // fitted shifts are sub-pixel estimates, so allow a small mean error.
    double sumError = 0.0;
    int compared = 0;
    for (int r = 0; r < composite.height - 1; ++r)
        for (int c = 0; c < composite.width - 1; ++c) {
            const int tr = r - 4, tc = c;
            bool covered = false;
            for (const Origin& o : origins)
                covered = covered ||
                          (tr >= o.top && tr < o.top + 240 && tc >= o.left && tc < o.left + 320);
            if (!covered) continue;
            for (int b = 0; b < 3; ++b) {
                const int truth = static_cast<int>(TextureValue(tr, tc, 1 + 101u * b));
                sumError += std::abs(composite.At(r, c, b) - truth);
                ++compared;
            }
        }
    ASSERT_GT(compared, 0);
    EXPECT_LT(sumError / compared, 1.5);
    EXPECT_EQ(session.GetImagesCount(), 0); // the session is reset after a composition
    EXPECT_EQ(prompts.Count(), 0u);
}

TEST_F(TranslationMosaic, ABaseBeyondTheImagesGives12AndKeepsTheContextForARetry) {
    // (The canvas-width refusal is the composition test's, at its boundary.)
    ViewSequence seq(60, 80, {{0, 0}, {0, 50}, {0, 100}}, ViewKind::Grey8);
    MFCPanorama session;
    seq.AddAligned(session);
    session.SetBase(4);
    CBmpAdapter out;
    EXPECT_FALSE(session.DoTranslationMosaics(&out));
    EXPECT_EQ(session.GetLastResult(), MosaicInconsistent);
    EXPECT_EQ(prompts.Count(), 1u);
    EXPECT_TRUE(out.IsEmpty());
    EXPECT_EQ(session.GetImagesCount(), 3);
    session.SetBase(2);
    prompts.Clear();
    EXPECT_TRUE(session.DoTranslationMosaics(&out));
    EXPECT_EQ(session.GetLastResult(), MosaicOK);
    ReleaseAdapterResult(out);
}

TEST_F(TranslationMosaic, EstimateThenRenderSeparately) {
    const std::vector<Origin> origins = {{0, 0}, {3, 40}};
    ViewSequence seq(60, 80, origins, ViewKind::Rgb24);
    MFCPanorama session;
    seq.AddAligned(session);
    session.SetSize(2);
    session.SkipFeatureMatching(true);
    CBmpAdapter out;
    ASSERT_TRUE(session.GetTranslationParams(&out));
    EXPECT_TRUE(out.IsEmpty());
    EXPECT_EQ(session.GetImagesCount(), 2); // kept for the render
    ASSERT_TRUE(session.RenderMosaics(&out));
    const DeliveredPicture composite(out);
    // Base 0 (equal distances to the mean: the lower index); view 1's corners reach column
    // 119 and row 62.
    EXPECT_EQ(composite.width, 120);
    EXPECT_EQ(composite.height, 63);
    EXPECT_EQ(session.GetImagesCount(), 0);
}

TEST_F(TranslationMosaic, ClosingPairThatCannotBeMatchedGives1) {
    const std::vector<Origin> origins = {{0, 0}, {0, 60}};
    ViewSequence seq(100, 120, origins, ViewKind::Grey8);
    MFCPanorama session;
    seq.AddAligned(session);
    session.SetSize(2);
    session.SetFlag360(1);
    session.SetAlignment360(0, 118); // a 2-pixel overlap: too narrow to match
    CBmpAdapter out;
    EXPECT_FALSE(session.DoTranslationMosaics(&out));
    EXPECT_EQ(session.GetLastResult(), MosaicNoFeatureMatch);
    EXPECT_EQ(prompts.Count(), 1u);
    EXPECT_TRUE(out.IsEmpty());
}

} // namespace
