#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <numbers>
#include <vector>

#include "core/image_ptr.h"
#include "mosaic/cylinder_mosaic.h"
#include "mosaic/cylinder_projection.h"
#include "mosaic/strip_renderer.h"
#include "session/session_state.h"
#include "stitchkit/MFCPanorama.h"
#include "support/camera_views.h"
#include "support/test_images.h"
#include "support/test_sequence.h"

namespace {

using camera_views::Scene;
using std::numbers::pi;

constexpr int kRows = 240, kColumns = 320;

// Focal length in mm of a 35 mm frame whose longer side (here the width) is 35 mm.
double Millimetres(double F) {
    return F * 35.0 / kColumns;
}

// Grey views of a camera turning about its vertical axis, every view seeing the texture wrapped
// around a cylinder of radius F.
struct Turn {
    double F;
    std::vector<double> yaws;
    ViewSequence views;
    CylinderGeometry geometry;

    Turn(double focal, const std::vector<double>& yawList)
        : F(focal), yaws(yawList),
          views(camera_views::RenderViews(Scene::Cylinder, focal, yawList, kRows, kColumns)) {
        CylinderGeometryFor(kRows, kColumns, Millimetres(F), &geometry);
    }
    // Columns between the projections of two views: the projected width N spans 2 theta.
    double ProjectedShift(double yawA, double yawB) const {
        return (yawB - yawA) * geometry.columns / (2.0 * geometry.theta);
    }
    // The alignment given for the next view, in the flat pictures' columns: the projected shift
    // scaled back by C / N (the engine rescales alignments by N / C when it projects).
    int Alignment(double yawA, double yawB) const {
        return static_cast<int>(
            std::lround(ProjectedShift(yawA, yawB) * kColumns / geometry.columns));
    }
    void AddTo(MFCPanorama& session) {
        views.AddTo(session);
        for (std::size_t k = 1; k < yaws.size(); ++k)
            session.AddAlign(0, Alignment(yaws[k - 1], yaws[k]));
        session.SetSize(2);
    }
    // The scene at canvas pixel (r, c) when view 0's projection lies at the canvas origin:
    // projected row i looks at height i - rows / 2 on the cylinder, projected column j at the
    // angle yaw0 - theta + j 2 theta / N, and the texture spans F x the angle in (-pi, pi].
    double Scene(double r, double c) const {
        double angle = yaws[0] - geometry.theta + c * 2.0 * geometry.theta / geometry.columns;
        angle = std::remainder(angle, 2 * pi);
        return TextureValue(1000.0 + r - kRows / 2, F * angle + 4000.0, 1);
    }
};

// Mean absolute difference between the composite (covered pixels only; the background is
// black) and the scene, the composite read `dr` rows and `dc` columns away from the scene point.
// Rows near the top and bottom edges are left out.
double SceneError(const DeliveredPicture& image, const Turn& turn, int dr, int dc) {
    double sum = 0.0;
    int n = 0;
    for (int r = 10; r + 10 < image.height; r += 2)
        for (int c = 0; c < image.width; c += 2) {
            const int v = image.At(r, c);
            if (v == 0) continue;
            sum += std::abs(v - turn.Scene(r - dr, c - dc));
            ++n;
        }
    return n > 0 ? sum / n : 1e9;
}

// The smallest SceneError with the composite shifted against the scene by up to 2 columns and
// 3 rows (an estimated layout drifts from the true one by the matching errors it accumulates).
double BestSceneError(const DeliveredPicture& image, const Turn& turn) {
    double best = std::numeric_limits<double>::infinity();
    for (int r = -3; r <= 3; ++r)
        for (int c = -2; c <= 2; ++c) best = std::min(best, SceneError(image, turn, r, c));
    return best;
}

// Bilinear interpolation of the 3 x 3-sampled views and of their projection smooths the
// texture's edges: a correctly placed composite stays within this mean difference of the scene
// (one pixel of misplacement adds about half as much again).
constexpr double kSceneTolerance = 3.0;

using CylinderMosaics = QuietSessionTest;
using CylinderMosaicsPanTilt = QuietSessionTest;
using FocalEstimate = QuietSessionTest;
using StripMosaic = QuietSessionTest;

TEST_F(CylinderMosaics, TrueFocalLengthJoinsAPanWithSeamsUnderOnePixel) {
    const double F = 277.0; // a 60-degree view; 0.62 rad steps overlap by 40 percent
    Turn turn(F, {0.0, 0.62, 1.24, 1.86});
    MFCPanorama session;
    turn.AddTo(session);
    CBmpAdapter out;
    ASSERT_EQ(CylinderMosaic(Session(), Millimetres(F), &out, false, nullptr), 0);
    // Each projected view is the previous one moved by the turn between them.
    for (int k = 1; k < 4; ++k) {
        const Homography8& H = Session().context.records[k - 1].pairwise;
        EXPECT_NEAR(H.h[2], -turn.ProjectedShift(turn.yaws[k - 1], turn.yaws[k]), 1.0) << k;
        EXPECT_NEAR(H.h[5], 0.0, 1.0) << k;
    }
    const DeliveredPicture composite(out);
    EXPECT_NEAR(composite.width, turn.ProjectedShift(0.0, 1.86) + turn.geometry.columns, 2.0);
    EXPECT_GE(composite.height, kRows);
    EXPECT_LE(composite.height, kRows + 2);
    EXPECT_LT(BestSceneError(composite, turn), kSceneTolerance);
    EXPECT_EQ(prompts.Count(), 0u);
    session.DestroyInternalData();
}

TEST_F(CylinderMosaics, ZeroFocalLengthLaysTheFlatImagesByTheirTranslations) {
    const std::vector<Origin> origins = {{0, 0}, {3, 50}, {-2, 100}};
    ViewSequence seq(60, 80, origins, ViewKind::Grey8);
    MFCPanorama session;
    seq.AddAligned(session);
    session.SkipFeatureMatching(true); // joined by the alignments, which is no fallback
    CBmpAdapter out;
    ASSERT_EQ(session.DoCylinderMosaics(0.0, &out, false), MosaicOK);
    const DeliveredPicture composite(out);
    // The union of the views: rows -2 .. 62, columns 0 .. 179 of the texture.
    ASSERT_EQ(composite.height, 65);
    ASSERT_EQ(composite.width, 180);
    int mismatches = 0;
    for (int r = 0; r < 65; ++r)
        for (int c = 0; c < 180; ++c) {
            bool covered = false;
            for (const Origin& o : origins)
                covered = covered ||
                          (r - 2 >= o.top && r - 2 < o.top + 60 && c >= o.left && c < o.left + 80);
            const int expected = covered ? static_cast<int>(TextureValue(r - 2, c, 1)) : 0;
            mismatches += composite.At(r, c) != expected ? 1 : 0;
        }
    EXPECT_EQ(mismatches, 0);

    // With a focal length the alignments follow the projection: 35 mm on 80 columns projects
    // them to trunc(160 atan(0.5)) = 74, so a 50-column alignment becomes trunc(50 x 74 / 80).
    seq.AddTo(session);
    session.AddAlign(3, 50);
    session.AddAlign(-5, 50);
    session.SkipFeatureMatching(true);
    ASSERT_EQ(CylinderMosaic(Session(), 35.0, &out, false, nullptr), 0);
    EXPECT_EQ(Session().context.records[0].pairwise.h[2], -46.0);
    EXPECT_EQ(Session().context.records[1].pairwise.h[5], 5.0);
    ReleaseAdapterResult(out);
    session.DestroyInternalData();
    EXPECT_EQ(prompts.Count(), 0u);
}

TEST(CylinderMosaicsFailing, RefusalsAndCancelDeliverNothing) {
    struct Case {
        const char* name;
        double focal;
        void (*setup)(MFCPanorama&);
        MosaicReturnValue code;
    };
    const Case cases[] = {
        // A cylinder of negative or undefined radius is an inconsistent request.
        {"negative", -35.0, [](MFCPanorama&) {}, MosaicInconsistent},
        {"closing beyond the image", 35.0,
         [](MFCPanorama& s) {
             s.SetFlag360(1);
             s.SetAlignment360(0, 500);
         },
         MosaicNoOverlap},
        {"one hand-set match", 35.0, [](MFCPanorama& s) { s.AddMatch(0, 1, 20, 60, 20, 10); },
         MosaicTooFewMatchesRigid},
        // The first view would land on itself after the turn: no width at all.
        {"narrow turn", 0.0,
         [](MFCPanorama& s) {
             s.SetFlag360(1);
             s.SetAlignment360(0, -50);
         },
         MosaicTooNarrow},
    };
    for (const Case& c : cases) {
        ScriptedProgress progress;
        RecordingPrompts prompts;
        ViewSequence seq(60, 80, {{0, 0}, {0, 50}}, ViewKind::Grey8);
        MFCPanorama session;
        seq.AddAligned(session);
        session.SkipFeatureMatching(true);
        c.setup(session);
        CBmpAdapter out;
        EXPECT_EQ(session.DoCylinderMosaics(c.focal, &out, false), c.code) << c.name;
        EXPECT_EQ(prompts.Count(), 1u) << c.name;
        EXPECT_TRUE(out.IsEmpty()) << c.name;
        EXPECT_EQ(session.GetImagesCount(), 0) << c.name;
    }
    for (int position : {10, 80}) { // estimating, composing
        ScriptedProgress progress;
        RecordingPrompts prompts;
        progress.Log().cancelAtPosition = position;
        ViewSequence seq(60, 80, {{0, 0}, {0, 50}}, ViewKind::Grey8);
        MFCPanorama session;
        seq.AddAligned(session);
        CBmpAdapter out;
        EXPECT_EQ(session.DoCylinderMosaics(35.0, &out, false), MosaicCancelled) << position;
        EXPECT_TRUE(out.IsEmpty());
    }
}

TEST_F(CylinderMosaicsPanTilt, LaysTheImagesByTheirAlignmentsTurnedByTheAngle) {
    const std::vector<Origin> origins = {{0, 0}, {0, 50}, {0, 100}};
    ViewSequence seq(60, 80, origins, ViewKind::Grey8);
    const auto run = [&](double angle, CBmpAdapter* out) {
        MFCPanorama session;
        seq.AddAligned(session);
        return session.DoCylinderMosaicsPanTilt(0.0, angle, out);
    };
    CBmpAdapter out;
    ASSERT_EQ(run(0.0, &out), MosaicOK);
    const DeliveredPicture flat(out);
    ASSERT_EQ(flat.width, 180);
    ASSERT_EQ(flat.height, 60);
    int mismatches = 0;
    for (int r = 0; r < 60; ++r)
        for (int c = 0; c < 180; ++c)
            mismatches += flat.At(r, c) != static_cast<int>(TextureValue(r, c, 1)) ? 1 : 0;
    EXPECT_EQ(mismatches, 0);
    // Turned by 10 degrees the 180 x 60 strip needs 180 sin 10 + 60 cos 10 = 90.3 rows.
    ASSERT_EQ(run(10.0, &out), MosaicOK);
    EXPECT_NEAR(DeliveredPicture(out).height, 90.3, 1.0);
    // Stood on end it is 60 columns wide, less than 0.8 of an 80-column image.
    EXPECT_EQ(run(90.0, &out), MosaicTooNarrow);
    EXPECT_TRUE(out.IsEmpty());
}

TEST_F(FocalEstimate, RecoversTheFocalLengthOfAPanAndKeepsTheContextForTheMosaic) {
    const double F = 400.0; // a 44-degree view; 0.5 rad steps overlap by 35 percent
    Turn turn(F, {0.0, 0.5, 1.0, 1.5, 2.0});
    MFCPanorama session;
    turn.views.AddTo(session);
    // The flat pictures' centres lie F tan(0.5) apart.
    for (int k = 1; k < 5; ++k) session.AddAlign(0, static_cast<int>(F * std::tan(0.5)));
    session.SetSize(2);
    AutoFocalEntry entries[4] = {};
    for (int k = 0; k < 3; ++k) entries[k].next = &entries[k + 1];
    AutoFocalListStruct list{};
    list.entries = entries;
    list.count = 5;
    session.GetAutoFocalList(&list);
    const double truth = Millimetres(F);
    int measured = 0;
    for (const AutoFocalEntry& e : entries) {
        if (e.f_mm == 0.0) continue;
        ++measured;
        EXPECT_NEAR(e.f_mm, truth, 0.05 * truth);
    }
    EXPECT_GE(measured, 3);
    // (How the entries are summarised is the focal-list test's.)
    EXPECT_NEAR(list.bestFocal, truth, 0.05 * truth);
    EXPECT_EQ(session.GetImagesCount(), 5); // the prepared context stays
    EXPECT_EQ(prompts.Count(), 0u);

    CBmpAdapter out;
    EXPECT_EQ(session.DoCylinderMosaics(list.bestFocal, &out, true), MosaicOK);
    EXPECT_FALSE(out.IsEmpty());
    ReleaseAdapterResult(out);
}

// Colour views of the texture repeated every `period` columns, view k starting at column
// lefts[k]: the green band shows the texture t, the blue band 40 + 60 k names the view, and the
// red band 0.7 t + 70 - 22.88 k compensates (22.88 = 0.114 x 60 / 0.299), so that every view has
// the same grey levels (0.299 R + 0.587 G + 0.114 B) for the matching.
std::vector<TestDib> PeriodicViews(int rows, int columns, int period, std::vector<int> lefts) {
    std::vector<TestDib> views;
    for (std::size_t k = 0; k < lefts.size(); ++k) {
        TestDib& dib = views.emplace_back(columns, rows, 24);
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < columns; ++c) {
                const int t = static_cast<int>(TextureValue(r, (lefts[k] + c) % period, 1));
                dib.At(r, c, 0) = static_cast<unsigned char>(40 + 60 * k);
                dib.At(r, c, 1) = static_cast<unsigned char>(t);
                dib.At(r, c, 2) =
                    static_cast<unsigned char>(std::lround(0.7 * t + 70 - 22.88 * double(k)));
            }
    }
    return views;
}

TEST_F(StripMosaic, TranslationAndRigidStripsReproduceTheTexture) {
    const std::vector<Origin> origins = {{0, 0}, {3, 50}, {-2, 100}};
    for (bool rigid : {false, true}) {
        ViewSequence seq(60, 80, origins, ViewKind::Rgb24);
        MFCPanorama session;
        seq.AddAligned(session);
        session.SetSize(2);
        CBmpAdapter out;
        ASSERT_TRUE(rigid ? session.DoRigidTransHMosaics(&out)
                          : session.DoTranslationHMosaics(&out));
        EXPECT_EQ(session.GetImagesCount(), 0);
        const DeliveredPicture composite(out); // green is band 1
        // Base 0 at offset row 2; the corners reach row 62 and column 179.
        ASSERT_NEAR(composite.height, 65, 1) << rigid;
        ASSERT_NEAR(composite.width, 180, 1) << rigid;
        // Translation strips paste whole pixels; the rigid fit of matched points resamples
        // with sub-pixel transforms, so allow the blur of bilinear sampling there.
        double sum = 0.0;
        int n = 0;
        for (int r = 4; r < 56; ++r)
            for (int c = 2; c < 176; ++c) {
                sum +=
                    std::abs(composite.At(r + 2, c, 1) - static_cast<int>(TextureValue(r, c, 102)));
                ++n;
            }
        EXPECT_LT(sum / n, rigid ? 1.5 : 0.5) << rigid;
    }
    EXPECT_EQ(prompts.Count(), 0u);
}

TEST_F(StripMosaic, ClosedStripWrapsOneTurn) {
    constexpr int kPeriod = 240;
    ViewSequence seq(PeriodicViews(60, 100, kPeriod, {0, 60, 120, 180}));
    {
        MFCPanorama session;
        seq.AddTo(session);
        for (int k = 0; k < 3; ++k) session.AddAlign(0, 60);
        session.SetSize(2);
        session.SetBlendLevelNone();
        // The given alignments keep the views exactly in place (the closing pair is matched
        // all the same).
        session.SkipFeatureMatching(true);
        session.SetFlag360(1);
        session.SetAlignment360(0, 60); // the first view starts where the last one ends
        CBmpAdapter out;
        ASSERT_TRUE(session.DoTranslationHMosaics(&out));
        const DeliveredPicture picture(out); // green shows the texture, blue names the view
        // One period wide; the last view (columns 180 .. 279) continues at the left edge,
        // where it holds the columns nearer its centre (-10) than view 0's (50), in register.
        // The closing pair's estimate turns the canvas by a hair, which can move it by one
        // row or column (its offsets are whole pixels): the test finds that offset first.
        EXPECT_NEAR(picture.width, kPeriod, 1);
        const auto error = [&](int dr, int dc, int c0, int c1) {
            double sum = 0.0;
            int n = 0;
            for (int r = 2; r < picture.height - 2; ++r)
                for (int c = c0; c < c1; ++c) {
                    const int column = (c - dc + kPeriod) % kPeriod;
                    sum += std::abs(picture.At(r, c, 1) -
                                    static_cast<int>(TextureValue(r - dr, column, 1)));
                    ++n;
                }
            return sum / n;
        };
        int dr = 0, dc = 0;
        for (int r = 0; r <= 1; ++r)
            for (int c = 0; c <= 1; ++c)
                if (error(r, c, 40, picture.width) < error(dr, dc, 40, picture.width)) {
                    dr = r;
                    dc = c;
                }
        // Bilinear samples a hair off whole pixels stay within half a grey level on average;
        // the wrapped columns one pixel out of place would differ by about 2.3.
        EXPECT_LT(error(dr, dc, 40, picture.width), 0.5);
        EXPECT_LT(error(dr, dc, 0, 16), 1.0);
        int last = 0, first = 0;
        for (int r = 2; r < picture.height - 2; ++r) {
            for (int c = 0; c < 16; ++c) last += picture.At(r, c, 2) == 40 + 60 * 3 ? 1 : 0;
            for (int c = 24; c < 40; ++c) first += picture.At(r, c, 2) == 40 ? 1 : 0;
        }
        EXPECT_EQ(last, 16 * (picture.height - 4));
        EXPECT_EQ(first, 16 * (picture.height - 4));
    }
    EXPECT_EQ(prompts.Count(), 0u);
}

} // namespace
