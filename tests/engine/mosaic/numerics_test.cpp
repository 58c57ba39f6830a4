#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "feature_test_views.h"
#include "mosaic/homography.h"
#include "mosaic/numerics.h"
#include "support/recording_prompts.h"

namespace {

// A float matrix with the row-pointer view of the solvers.
struct Matrix {
    int rows, cols;
    std::vector<float> values;
    std::vector<float*> pointers;
    Matrix(int r, int c, std::initializer_list<float> v = {})
        : rows(r), cols(c), values(static_cast<std::size_t>(r * c), 0.0f),
          pointers(static_cast<std::size_t>(r)) {
        std::size_t k = 0;
        for (const float x : v) values[k++] = x;
        for (int i = 0; i < r; ++i)
            pointers[static_cast<std::size_t>(i)] = &values[static_cast<std::size_t>(i * c)];
    }
    float* const* Rows() { return pointers.data(); }
};

using feature_test::Elements;
using feature_test::Make;

bool AllFinite(const Homography8& H) {
    for (const double v : H.h)
        if (!std::isfinite(v)) return false;
    return true;
}

} // namespace

// ---- Gauss-Jordan -------------------------------------------------------------------------

TEST(GaussJordan, SingularMatricesAreReported) {
    RecordingPrompts prompts;
    // Second row twice the first: after the pivot 4 the remaining element is exactly 0.
    Matrix a(2, 2, {1, 2, 2, 4}), b(2, 1, {1, 2});
    EXPECT_FALSE(NGaussJordan(a.Rows(), 2, b.Rows(), 1));
    // No NaN compares as a pivot candidate, so a used column would be pivoted again.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    Matrix n(2, 2, {nan, nan, nan, nan}), nb(2, 1, {1, 1});
    EXPECT_FALSE(NGaussJordan(n.Rows(), 2, nb.Rows(), 1));
    EXPECT_EQ(prompts.Count(), 2u);
}

// ---- Homography algebra --------------------------------------------------------------------

TEST(HomographyInvert, ProjectiveInverseUndoesTransformToSinglePrecision) {
    const Homography8 H = Make({1.02, 0.05, -30.0, -0.03, 0.98, 12.0, 2e-5, -1e-5});
    Homography8 inv;
    ASSERT_TRUE(InvertHomography(H, &inv));
    for (const auto& p : {std::pair{0.0, 0.0}, {100.0, 250.0}, {300.0, 20.0}, {480.0, 640.0}}) {
        double r = 0, c = 0, rr = 0, cc = 0;
        ASSERT_TRUE(H.Apply(p.first, p.second, &r, &c));
        ASSERT_TRUE(inv.Apply(r, c, &rr, &cc));
        // Single-precision inversion: relative error about 1e-7 of coordinates up to ~700.
        EXPECT_NEAR(rr, p.first, 1e-3);
        EXPECT_NEAR(cc, p.second, 1e-3);
    }
}

TEST(HomographyInvert, SingularMatricesAreReportedAndNeverYieldNonFiniteTransforms) {
    RecordingPrompts prompts;
    Homography8 H; // first row zero: x' = 0 for every point
    H.h[0] = H.h[1] = H.h[2] = 0.0;
    Homography8 out = Homography8::Translation(1, 2);
    EXPECT_FALSE(InvertHomography(H, &out));
    EXPECT_EQ(prompts.Count(), 1u);
    EXPECT_EQ(Elements(out), Elements(Homography8::Translation(1, 2)));
    // Rows 0 and 1 equal, no zero row: the decomposition continues past a zero pivot.
    const bool inverted = InvertHomography(Make({1, 2, 3, 1, 2, 3, 0, 0}), &out);
    EXPECT_TRUE(AllFinite(out));
    if (!inverted) {
        EXPECT_EQ(out.h[2], 2.0); // a refused inverse leaves the output alone
    }
}

TEST(HomographyCompose, AppliesTheSecondFirstRenormalisesMayAliasAndRefusesAZeroNinth) {
    Homography8 a;
    a.h[6] = 0.001; // w = 0.001 x + 1
    const Homography8 b = Homography8::Translation(0, 1000);
    Homography8 out;
    ASSERT_TRUE(ComposeHomography(a, b, &out));
    // The raw product's ninth element is 0.001 x 1000 + 1 = 2.
    EXPECT_DOUBLE_EQ(out.h[0], 0.5);
    EXPECT_DOUBLE_EQ(out.h[2], 500.0);
    for (const auto& p : {std::pair{0.0, 0.0}, {20.0, -300.0}, {75.0, 80.0}}) {
        double r = 0, c = 0, er = 0, ec = 0, gr = 0, gc = 0;
        ASSERT_TRUE(b.Apply(p.first, p.second, &r, &c));
        ASSERT_TRUE(a.Apply(r, c, &er, &ec));
        ASSERT_TRUE(out.Apply(p.first, p.second, &gr, &gc));
        EXPECT_NEAR(gr, er, 1e-9);
        EXPECT_NEAR(gc, ec, 1e-9);
    }
    Homography8 h = Homography8::Translation(1, 2);
    ASSERT_TRUE(ComposeHomography(Homography8::Translation(10, 20), h, &h));
    EXPECT_EQ(h.h[5], 11.0);
    EXPECT_EQ(h.h[2], 22.0);
    // With w = -0.001 x + 1 the ninth element is 0: refused, the output left.
    a.h[6] = -0.001;
    EXPECT_FALSE(ComposeHomography(a, b, &h));
    EXPECT_EQ(h.h[2], 22.0);
}

TEST(HomographyTranslate, MovesTheTransformedPoints) {
    const Homography8 H = Make({0.9, 0.1, 5.0, -0.2, 1.1, -3.0, 1e-4, 2e-4});
    Homography8 moved = H;
    TranslateHomography(&moved, 7.5, -12.0);
    for (const auto& p : {std::pair{0.0, 0.0}, {40.0, 90.0}, {200.0, 10.0}}) {
        double r = 0, c = 0, mr = 0, mc = 0;
        ASSERT_TRUE(H.Apply(p.first, p.second, &r, &c));
        ASSERT_TRUE(moved.Apply(p.first, p.second, &mr, &mc));
        EXPECT_NEAR(mr, r + 7.5, 1e-9);
        EXPECT_NEAR(mc, c - 12.0, 1e-9);
    }
}
