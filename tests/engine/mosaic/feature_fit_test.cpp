#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>
#include <vector>

#include "feature_test_views.h"
#include "mosaic/features.h"
#include "support/recording_prompts.h"

using namespace feature_test;
namespace {

// Correspondences p -> truth(p) for the given first points (r, c).
MatchPtr MatchesThrough(const Homography8& truth,
                        const std::vector<std::pair<double, double>>& points) {
    MatchPtr list(CreateMatchList());
    for (const auto& [r, c] : points) {
        double r2 = 0, c2 = 0;
        truth.Apply(r, c, &r2, &c2);
        AppendMatch(list.get(), r, c, r2, c2);
    }
    return list;
}

std::vector<std::pair<double, double>> Grid(int n, double spacing, double r0 = 15.0,
                                            double c0 = 40.0) {
    std::vector<std::pair<double, double>> points;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            points.emplace_back(r0 + i * spacing + 3.0 * j, c0 + j * spacing + 2.0 * i);
    return points;
}

// Largest distance between two transforms' images of the points of a window.
double WorstDifference(const Homography8& a, const Homography8& b, double rows, double cols) {
    double worst = 0.0;
    for (double r = 0; r <= rows; r += rows / 8)
        for (double c = 0; c <= cols; c += cols / 8) {
            double ar = 0, ac = 0, br = 0, bc = 0;
            a.Apply(r, c, &ar, &ac);
            b.Apply(r, c, &br, &bc);
            worst = std::max(worst, std::hypot(ar - br, ac - bc));
        }
    return worst;
}

} // namespace

// ---- FitModel --------------------------------------------------------------------------------

TEST(FitModel, TranslationIsTheMeanDisplacement) {
    MatchPtr m(CreateMatchList());
    // Displacements (r, c): (3, -2), (4, -2.5), (3.5, -2.25) -> mean (3.5, -2.25).
    AppendMatch(m.get(), 10, 10, 13, 8);
    AppendMatch(m.get(), 50, 20, 54, 17.5);
    AppendMatch(m.get(), 30, 90, 33.5, 87.75);
    for (const MotionModel model : {MotionTranslation, MotionTranslationStrip, MotionCylinder}) {
        Homography8 H = Make({2, 2, 2, 2, 2, 2, 2, 2});
        FitModel(model, m.get(), &H);
        EXPECT_EQ(Elements(H), (std::vector<double>{1, 0, -2.25, 0, 1, 3.5, 0, 0})) << model;
    }
}

TEST(FitModel, SimilarityOfAffineDataIsTheLeastSquaresSimilarity) {
    // First points (0, 0), (0, 10), (10, 0), (10, 10) (r, c) stretched to twice their column:
    // x' = 2x, y' = y. Least squares over [x, -y, 1, 0] / [y, x, 0, 1] with centred symmetric
    // points gives a = (sum x x' + y y') / (sum x^2 + y^2) about the centroid = (2 x 100 + 100) /
    // (100 + 100) = 1.5, b = 0, and maps the centroid (5, 5) to (5, 10).
    MatchPtr m(CreateMatchList());
    for (const auto& [r, c] : {std::pair{0.0, 0.0}, {0.0, 10.0}, {10.0, 0.0}, {10.0, 10.0}})
        AppendMatch(m.get(), r, c, r, 2 * c);
    Homography8 H;
    FitModel(MotionRigid, m.get(), &H);
    EXPECT_NEAR(H.h[0], 1.5, 1e-5);
    EXPECT_NEAR(H.h[3], 0.0, 1e-5);
    double r = 0, c = 0;
    H.Apply(5, 5, &r, &c);
    EXPECT_NEAR(r, 5.0, 1e-4);
    EXPECT_NEAR(c, 10.0, 1e-4);
}

TEST(FitModel, SimilarityAffineAndProjectiveFitsReproduceTheTransform) {
    // A similarity (1.01 times a turn of 2 degrees) from a 4 x 4 grid; an affine transform from a
    // 3 x 3 grid; a projective one from exactly four points. The projective fits work in single
    // precision: coordinates of a few hundred pixels come back to about 1e-3 pixel.
    const double a = 1.01 * std::cos(2.0 * std::numbers::pi / 180),
                 b = 1.01 * std::sin(2.0 * std::numbers::pi / 180);
    struct Case {
        std::vector<MotionModel> models;
        Homography8 truth;
        std::vector<std::pair<double, double>> points;
        double worst;
    };
    const Case cases[] = {
        {{MotionRigid, MotionRigidStrip},
         Make({a, -b, -250.5, b, a, 17.25, 0, 0}),
         Grid(4, 60),
         1e-3},
        {{MotionAffine}, Make({1.03, 0.04, -120.0, -0.02, 0.97, 33.0, 0, 0}), Grid(3, 90), 2e-3},
        {{MotionProjective, MotionFocalProjective},
         Make({0.95, 0.03, -310.0, -0.04, 1.02, 12.5, 1.5e-4, -8e-5}),
         {{10.0, 20.0}, {15.0, 600.0}, {470.0, 630.0}, {460.0, 5.0}},
         1e-2},
    };
    for (const Case& c : cases) {
        const MatchPtr m = MatchesThrough(c.truth, c.points);
        for (const MotionModel model : c.models) {
            RecordingPrompts prompts;
            Homography8 H;
            FitModel(model, m.get(), &H);
            EXPECT_LT(WorstDifference(H, c.truth, 480, 640), c.worst) << model;
            for (int i = 0; i < 8; ++i)
                EXPECT_NEAR(H.h[i], c.truth.h[i], 1e-4 * std::max(1.0, std::fabs(c.truth.h[i])))
                    << model << " " << i;
            EXPECT_EQ(prompts.Count(), 0u);
            if (c.truth.h[6] == 0.0) { // no projective terms at all
                EXPECT_EQ(H.h[6], 0.0);
                EXPECT_EQ(H.h[7], 0.0);
            }
        }
    }
}

// Too few distinct points for the model's parameters: the solver reports the singular system
// and the transform keeps its previous value.
TEST(FitModel, DegenerateOrMissingMatchesLeaveTheTransform) {
    for (const MotionModel model : {MotionRigid, MotionAffine, MotionProjective}) {
        RecordingPrompts prompts;
        MatchPtr m(CreateMatchList());
        for (int k = 0; k < 6; ++k) AppendMatch(m.get(), 40, 50, 41, 52);
        Homography8 H = Homography8::Translation(1, 2);
        FitModel(model, m.get(), &H);
        EXPECT_EQ(prompts.Count(), 1u) << model; // the singular system is reported
        EXPECT_EQ(H.h[2], 2.0);
        EXPECT_EQ(H.h[5], 1.0);
    }
    // An empty or missing list leaves it silently.
    RecordingPrompts prompts;
    MatchPtr empty(CreateMatchList());
    Homography8 H = Homography8::Translation(5, 6);
    FitModel(MotionTranslation, empty.get(), &H);
    FitModel(MotionProjective, nullptr, &H);
    EXPECT_EQ(Elements(H), Elements(Homography8::Translation(5, 6)));
    EXPECT_EQ(prompts.Count(), 0u);
}

// ---- Residuals -------------------------------------------------------------------------------

TEST(VerifyPlanar, RejectsMeanResidualAtTheLimitAndEmptyLists) {
    // Residuals under the identity: 5 (a 3-4-5 triangle), 1 and 0; the mean is exactly 2.
    MatchPtr m(CreateMatchList());
    AppendMatch(m.get(), 0, 0, 3, 4);
    AppendMatch(m.get(), 10, 10, 10, 11);
    AppendMatch(m.get(), 5, 5, 5, 5);
    EXPECT_FALSE(VerifyPlanar(m.get(), Homography8(), 2.0));
    EXPECT_FALSE(VerifyPlanar(m.get(), Homography8(), 1.5));
    EXPECT_TRUE(VerifyPlanar(m.get(), Homography8(), 2.0001));
    // Moving every first point by (3, 4): residuals 0, |(3, 3)| and 5, mean 3.0809.
    EXPECT_FALSE(VerifyPlanar(m.get(), Homography8::Translation(3, 4), 3.08));
    EXPECT_TRUE(VerifyPlanar(m.get(), Homography8::Translation(3, 4), 3.09));
    MatchPtr empty(CreateMatchList());
    EXPECT_FALSE(VerifyPlanar(empty.get(), Homography8(), 100.0));
}
