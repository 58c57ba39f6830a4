#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "mosaic/cylinder_mosaic.h"
#include "mosaic/cylinder_projection.h"
#include "mosaic/focal_estimate.h"
#include "mosaic/global_refine.h"
#include "mosaic/planar_mosaic.h"
#include "mosaic/strip_renderer.h"
#include "session/session_state.h"
#include "stitchkit/MFCPanorama.h"
#include "support/camera_views.h"
#include "support/recording_prompts.h"
#include "support/scripted_progress.h"
#include "support/test_images.h"
#include "support/test_sequence.h"

namespace {

using camera_views::Scene;
using std::numbers::pi;

constexpr int kRows = 240, kColumns = 320;

ViewSequence Views(Scene scene, double F, const std::vector<double>& yaws) {
    return ViewSequence(camera_views::RenderViews(scene, F, yaws, kRows, kColumns));
}

// Root mean square distance on the canvas between points of neighbouring views that show the
// same scene point: `transfer` gives the true correspondence, `turn` is where the first view's
// repeat lies (closing pair (last, first) measured alone into *closing when given).
template <class Transfer>
double CanvasRms(const Transfer& transfer, int count, CanvasPoint turn, double* closing) {
    const auto& records = Session().context.records;
    double sum = 0.0, sumClosing = 0.0;
    int n = 0, nClosing = 0;
    for (int k = 0; k < count; ++k) {
        const int next = (k + 1) % count;
        if (next == 0 && closing == nullptr) break;
        for (int r = 0; r < kRows; r += 6)
            for (int c = 0; c < kColumns; c += 6) {
                double r2 = 0, c2 = 0, ar = 0, ac = 0, br = 0, bc = 0;
                if (!transfer(k, next, r, c, &r2, &c2)) continue;
                records[k].to_canvas.Apply(r, c, &ar, &ac);
                records[next].to_canvas.Apply(r2, c2, &br, &bc);
                if (next == 0) {
                    br += turn.r;
                    bc += turn.c;
                }
                const double d = (ar - br) * (ar - br) + (ac - bc) * (ac - bc);
                (next == 0 ? sumClosing : sum) += d;
                ++(next == 0 ? nClosing : n);
            }
    }
    if (closing != nullptr) *closing = nClosing > 0 ? std::sqrt(sumClosing / nClosing) : 1e9;
    return n > 0 ? std::sqrt(sum / n) : 1e9;
}

bool Inside(double r, double c) {
    return r >= 0 && c >= 0 && r <= kRows - 1 && c <= kColumns - 1;
}

// Five views of a camera panning over a plane, estimated as one big plane: the refinement
// brings every pair to within half a pixel and recovers the focal length within 1 percent.
TEST(GlobalRefinement, FiveViewPanOnAPlane) {
    ScriptedProgress progress;
    RecordingPrompts prompts;
    const double F = 400.0;
    const std::vector<double> yaws = {-0.8, -0.4, 0.0, 0.4, 0.8};
    ViewSequence views = Views(Scene::Plane, F, yaws);
    const auto transfer = [&](int a, int b, double r, double c, double* r2, double* c2) {
        const Homography8 H = camera_views::PanHomography(F, yaws[a], yaws[b], kRows, kColumns);
        return H.Apply(r, c, r2, c2) && Inside(*r2, *c2);
    };
    MFCPanorama session;
    views.AddTo(session);
    for (std::size_t k = 1; k < yaws.size(); ++k)
        session.AddAlign(0, static_cast<int>(F * std::tan(yaws[k] - yaws[k - 1])));
    session.SetSize(2);
    Session().refine = true;
    ASSERT_EQ(PlanarEstimate(Session(), nullptr), 0);
    EXPECT_LE(CanvasRms(transfer, 5, {}, nullptr), 0.5);
    for (std::size_t k = 0; k + 1 < yaws.size(); ++k) {
        // The refined pairwise transforms are K R K^-1 of one focal length (the pairwise
        // estimates are free homographies): the two focal lengths each transform implies agree,
        // and a turn of 0.4 rad moves the centre pixel by F tan 0.4 along the row.
        Homography8 centred;
        ComposeHomography(Session().context.records[k].pairwise,
                          Homography8::Translation((kRows - 1) / 2.0, (kColumns - 1) / 2.0),
                          &centred);
        TranslateHomography(&centred, -(kRows - 1) / 2.0, -(kColumns - 1) / 2.0);
        const FocalParts parts = FocalFromHomography(centred.h, kColumns);
        EXPECT_NEAR(parts.f0, parts.f1, 0.001 * F) << k;
        EXPECT_NEAR(parts.f, F, 0.01 * F) << k;
        EXPECT_NEAR(-centred.h[2] / centred.h[0], F * std::tan(0.4), 0.01 * F) << k;
    }
    session.DestroyInternalData();
    EXPECT_EQ(prompts.Count(), 0u);
}

// Twelve views closing a full turn on a cylinder: with the refinement the focal-length
// estimate is the one that closes the turn (within 1 percent of the truth), every seam and the
// closing one within half a pixel.
TEST(GlobalRefinement, TwelveViewClosedTurn) {
    ScriptedProgress progress;
    RecordingPrompts prompts;
    const double F = 277.0;
    const int count = 12;
    std::vector<double> yaws;
    for (int k = 0; k < count; ++k) yaws.push_back(0.2 + k * 2 * pi / count);
    ViewSequence views = Views(Scene::Cylinder, F, yaws);
    const int step = static_cast<int>(std::lround(F * std::tan(2 * pi / count)));
    const auto fill = [&](MFCPanorama& session) {
        views.AddTo(session);
        for (int k = 1; k < count; ++k) session.AddAlign(0, step);
        session.SetFlag360(1);
        session.SetAlignment360(0, step);
        session.SetSize(2);
        session.SetGlobalRefinement(true);
    };
    MFCPanorama session;
    fill(session);
    std::vector<AutoFocalEntry> entries(count - 1);
    for (std::size_t k = 0; k + 1 < entries.size(); ++k) entries[k].next = &entries[k + 1];
    AutoFocalListStruct list{};
    list.entries = entries.data();
    list.count = count;
    session.GetAutoFocalList(&list);
    session.DestroyInternalData();
    const double focal = list.bestFocal; // mm of a frame whose width is 35 mm
    ASSERT_NEAR(focal * kColumns / 35.0, F, 0.01 * F);

    fill(session);
    Session().refine = true;
    CBmpAdapter out;
    ASSERT_EQ(CylinderMosaic(Session(), focal, &out, false, nullptr), 0);
    ReleaseAdapterResult(out);
    CylinderGeometry g;
    ASSERT_TRUE(CylinderGeometryFor(kRows, kColumns, focal, &g));
    // A projected pixel read back into its flat view and the flat point projected again, with
    // the projection's own geometry (centre at column 159.5, row 119.5).
    const double cx = 159.5, cy = 119.5;
    const auto transfer = [&](int a, int b, double pr, double pc, double* pr2, double* pc2) {
        const double phi = -g.theta + pc * 2 * g.theta / g.columns, x = g.F * std::tan(phi);
        const double r = (pr - kRows / 2) / g.F * std::hypot(x, g.F) + cy, c = x + cx;
        const double to = b == 0 && a != 0 ? yaws[0] + 2 * pi : yaws[b];
        double r2 = 0, c2 = 0;
        if (!Inside(r, c) ||
            !camera_views::PanHomography(F, yaws[a], to, kRows, kColumns).Apply(r, c, &r2, &c2) ||
            !Inside(r2, c2))
            return false;
        const double x2 = c2 - cx;
        *pc2 = (std::atan2(x2, g.F) + g.theta) * g.columns / (2 * g.theta);
        *pr2 = (r2 - cy) / std::hypot(x2, g.F) * g.F + kRows / 2;
        return true;
    };
    const DriftRotation drift = ComputeDriftRotation(Session().context);
    double closing = 0.0;
    EXPECT_LE(CanvasRms(transfer, count, {drift.dy, drift.dx}, &closing), 0.5);
    EXPECT_LE(closing, 0.5);
    session.DestroyInternalData();
    EXPECT_EQ(prompts.Count(), 0u);
}

// The focal length that closes a turn, from matches made by hand: a camera of focal length
// 500 px turning in 8 steps of 45 degrees sees a point at horizontal angle a of one view at
// a - 45 degrees in the next. Started a third too long, the search comes back to 500.
TEST(GlobalRefinement, ClosureFocalOfEightTurns) {
    const double F = 500.0, step = pi / 4;
    std::vector<PairPoints> pairs;
    for (int k = 0; k < 8; ++k) {
        PairPoints pair;
        pair.from = k;
        pair.to = (k + 1) % 8;
        pair.closing = k == 7;
        for (double a = 0.0; a < 0.4; a += 0.05) {
            pair.a.push_back({F * std::tan(a), 10.0});
            pair.b.push_back({F * std::tan(a - step), 10.0});
        }
        pairs.push_back(pair);
    }
    EXPECT_NEAR(ClosureFocal(pairs, 650.0), F, 0.01);
    pairs.back().closing = false; // an open sequence has no turn to close
    EXPECT_EQ(ClosureFocal(pairs, 650.0), 0.0);
}

} // namespace
