#include <gtest/gtest.h>

#include "engine/mosaic/feature_test_views.h"

#include <cmath>
#include <cstdlib>
#include <vector>

#include "mosaic/homography.h"
#include "stitchkit/CInterImages.h"
#include "stitchkit/MFCPanorama.h"
#include "support/test_images.h"
#include "support/test_sequence.h"

namespace {

constexpr int kRows = 240, kColumns = 320;

// RMS distance between the transform h0..h7 and the truth over the first image's pixels that
// the truth keeps inside the second.
double RmsError(const double* h, const Homography8& truth) {
    Homography8 H;
    std::copy(h, h + 8, H.h);
    return feature_test::RmsDifference(H, truth, kRows, kColumns);
}

using ViewInterpolation = QuietSessionTest;

TEST_F(ViewInterpolation, RecoversAKnownAffinePair) {
    // Image 1's pixel (x, y) shows image 0's point B(x, y): a slight rotation, shear and
    // scale, and a shift of (8, 120). P (image 0 -> image 1) is the inverse of B.
    Homography8 B;
    B.h[0] = 0.98, B.h[1] = 0.03, B.h[2] = 120.0;
    B.h[3] = -0.02, B.h[4] = 1.01, B.h[5] = 8.0;
    Homography8 truthP, truthQ = B;
    ASSERT_TRUE(InvertHomography(B, &truthP));
    const NImagePtr first = feature_test::RenderView(kRows, kColumns, Homography8());
    const NImagePtr second = feature_test::RenderView(kRows, kColumns, B);
    ViewSequence seq(std::vector<TestDib>{DibFromImage(first.get()), DibFromImage(second.get())});
    MFCPanorama session;
    seq.AddTo(session);
    session.AddAlign(8, 120);
    session.SetSize(2);
    double P[8], Q[8];
    ASSERT_TRUE(session.DoInterpolateParams(nullptr, P, Q, 7));
    EXPECT_LT(RmsError(P, truthP), 0.5);
    EXPECT_NEAR(P[6], 0.0, 1e-12); // affine: no projective terms
    EXPECT_NEAR(P[7], 0.0, 1e-12);
    // Q maps image 1 back; measured over image 1's points that land inside image 0.
    EXPECT_LT(RmsError(Q, truthQ), 0.5);
    EXPECT_EQ(prompts.Count(), 0u);
}

// At t = 1 the pair is shown in image 0's frame: the composite the mosaic pipeline makes of
// the same pair with the same transform (a translation mosaic whose pair transform is its
// alignment), and with the base frame kept, that composite cut to image 0's rectangle.
TEST_F(ViewInterpolation, TimeOneIsTheMosaicInTheFirstImagesFrame) {
    const std::vector<Origin> origins = {{0, 0}, {10, 60}};
    ViewSequence seq(kRows, kColumns, origins, ViewKind::Rgb24);

    MFCPanorama session;
    seq.AddAligned(session);
    session.SetSize(2);
    session.SkipFeatureMatching(true);
    CBmpAdapter reference;
    ASSERT_TRUE(session.DoTranslationMosaics(&reference));
    const DeliveredPicture expected(reference);
    ASSERT_EQ(expected.width, kColumns + 60); // the corners' extent, 0 .. 379
    ASSERT_EQ(expected.height, kRows + 10);

    // Image 0's point (10, 60) is image 1's origin.
    const Homography8 P = Homography8::Translation(-10, -60), Q = Homography8::Translation(10, 60);
    session.DestroyInternalData();
    seq.AddAligned(session);
    session.SetSize(2);
    CBmpAdapter whole;
    ASSERT_TRUE(session.DoInterpolateRendering(&whole, P.h, Q.h, 1.0, BlendTypeMosaic, false));
    const DeliveredPicture same(whole);
    EXPECT_EQ(same.pixels, expected.pixels);
    EXPECT_EQ(same.width, expected.width);

    // The session is kept, so the same estimate renders again, now cut to the base frame.
    CBmpAdapter cut;
    ASSERT_TRUE(session.DoInterpolateRendering(&cut, P.h, Q.h, 1.0, BlendTypeMosaic, true));
    const DeliveredPicture frame(cut);
    ASSERT_EQ(frame.width, kColumns);
    ASSERT_EQ(frame.height, kRows);
    int mismatches = 0;
    for (int r = 0; r < kRows; ++r)
        for (int c = 0; c < kColumns; ++c)
            for (int b = 0; b < 3; ++b) mismatches += frame.At(r, c, b) != expected.At(r, c, b);
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(prompts.Count(), 0u);
}

TEST_F(ViewInterpolation, HalfwayBetweenIdenticalImagesIsTheImage) {
    TestDib view = TextureView(kRows, kColumns, 0, 0, ViewKind::Rgb24);
    std::vector<unsigned char> header(sizeof(BITMAPINFO));
    auto* info = reinterpret_cast<BITMAPINFO*>(header.data());
    info->bmiHeader = view.header;
    CInterImages inter;
    ASSERT_TRUE(inter.AddImage(info, view.pixels.data()));
    ASSERT_TRUE(inter.AddImage(info, view.pixels.data()));
    ASSERT_TRUE(inter.InterpolateParams(7));

    // (How dissolving weighs the pair is the next test's.)
    BITMAPINFO* outInfo = nullptr;
    BYTE* outPixels = nullptr;
    ASSERT_TRUE(inter.InterpolateRendering(0.5, &outInfo, &outPixels, BlendTypeMosaic, true));
    ASSERT_EQ(outInfo->bmiHeader.biWidth, kColumns);
    ASSERT_EQ(outInfo->bmiHeader.biHeight, kRows);
    ASSERT_EQ(outInfo->bmiHeader.biBitCount, 24);
    // The estimated P is the identity up to the single-precision fit, so a sample may fall a
    // hair off its pixel: one level of difference is allowed.
    int worst = 0;
    for (std::size_t i = 0; i < view.pixels.size(); ++i)
        worst = std::max(worst, std::abs(int{outPixels[i]} - int{view.pixels[i]}));
    EXPECT_LE(worst, 1);
    delete outInfo;
    std::free(outPixels);
    EXPECT_EQ(prompts.Count(), 0u);
}

TEST_F(ViewInterpolation, DissolveWeighsTheLaterImageByT) {
    // Two flat grey pictures, 40 and 200, on top of each other: the overlap is
    // (1 - t)·40 + t·200.
    ViewSequence seq(std::vector<TestDib>{FlatView(60, 80, 40), FlatView(60, 80, 200)});
    MFCPanorama session;
    seq.AddTo(session);
    session.AddAlign(0, 0);
    const Homography8 I;
    for (double t : {0.0, 0.25, 1.0}) {
        CBmpAdapter out;
        ASSERT_TRUE(session.DoInterpolateRendering(&out, I.h, I.h, t, BlendTypeDissolve, true));
        const DeliveredPicture blend(out);
        ASSERT_EQ(blend.width, 80);
        EXPECT_EQ(blend.At(29, 40), static_cast<int>(40 + 160 * t)) << t;
    }
    EXPECT_EQ(prompts.Count(), 0u);
}

} // namespace
