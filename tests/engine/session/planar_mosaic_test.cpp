#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/mosaic/feature_test_views.h"
#include "mosaic/planar_mosaic.h"
#include "session/session_state.h"
#include "stitchkit/MFCPanorama.h"
#include "support/camera_views.h"
#include "support/test_images.h"
#include "support/test_sequence.h"

namespace {

using camera_views::Scene;

constexpr int kRows = 240, kColumns = 320;
constexpr double kFocal = 400.0; // pixels

// Views of a camera pan with the alignments a user would give (the shift of the view centre).
struct Pan {
    std::vector<double> yaws;
    ViewSequence views;

    Pan(Scene scene, const std::vector<double>& yawList)
        : yaws(yawList), views(camera_views::RenderViews(scene, kFocal, yawList, kRows, kColumns)) {
    }
    void AddTo(MFCPanorama& session) {
        views.AddTo(session);
        for (std::size_t k = 1; k < yaws.size(); ++k)
            session.AddAlign(0, static_cast<int>(kFocal * std::tan(yaws[k] - yaws[k - 1])));
        session.SetSize(2);
    }
};

double RmsError(const Homography8& H, const Homography8& truth) {
    return feature_test::RmsDifference(H, truth, kRows, kColumns);
}

using PlanarMosaic = QuietSessionTest;

TEST_F(PlanarMosaic, RecoversThePairwiseHomographiesOfANarrowPan) {
    Pan pan(Scene::Plane, {-0.25, 0.0, 0.25});
    MFCPanorama session;
    pan.AddTo(session);
    ASSERT_EQ(PlanarEstimate(Session(), nullptr), 0);
    for (int k = 0; k + 1 < 3; ++k) {
        const Homography8 truth =
            camera_views::PanHomography(kFocal, pan.yaws[k], pan.yaws[k + 1], kRows, kColumns);
        EXPECT_LT(RmsError(Session().context.records[k].pairwise, truth), 1.0) << "pair " << k;
    }
    EXPECT_EQ(Session().context.base, 1); // the middle view is nearest the mean position
    EXPECT_EQ(prompts.Count(), 0u);

    // The whole operation joins them; the canvas holds the widened outer views.
    session.DestroyInternalData();
    pan.AddTo(session);
    CBmpAdapter out;
    ASSERT_EQ(session.DoPlanarMosaics(&out), MosaicOK);
    ASSERT_FALSE(out.IsEmpty());
    // The outer views' far corners land at x = F tan(0.25 + half field of view) from the centre.
    const double half = std::atan2((kColumns - 1) / 2.0, kFocal);
    const double reach = kFocal * std::tan(0.25 + half);
    EXPECT_NEAR(out.GetWidth(), 2 * reach + 1, 4.0);
    ReleaseAdapterResult(out);
    EXPECT_EQ(session.GetImagesCount(), 0);
}

TEST_F(PlanarMosaic, PairWithoutCorrespondencesFallsBackAndGives9) {
    // Two flat pictures: no corner anywhere, so the pair is joined by its alignment.
    ViewSequence seq(std::vector<TestDib>{FlatView(60, 80, 90), FlatView(60, 80, 90)});
    MFCPanorama session;
    seq.AddTo(session);
    session.AddAlign(0, 40);
    session.SetSize(2);
    CBmpAdapter out;
    EXPECT_EQ(session.DoPlanarMosaics(&out), MosaicTranslationFallback);
    EXPECT_EQ(prompts.Count(), 0u); // 9 is not shown
    ASSERT_FALSE(out.IsEmpty());
    EXPECT_EQ(out.GetWidth(), 120);
    ReleaseAdapterResult(out);
}

TEST_F(PlanarMosaic, WidePanOnOnePlaneIsRefused) {
    // Seven views 0.4 radians apart: the outer ones reach past 90 degrees from the base.
    std::vector<double> yaws;
    for (int k = -3; k <= 3; ++k) yaws.push_back(0.4 * k);
    Pan pan(Scene::Cylinder, yaws);
    MFCPanorama session;
    pan.AddTo(session);
    CBmpAdapter out;
    EXPECT_EQ(session.DoPlanarMosaics(&out), MosaicTooWideForPlane);
    EXPECT_TRUE(out.IsEmpty());
    EXPECT_EQ(prompts.Count(), 1u);
}

} // namespace
