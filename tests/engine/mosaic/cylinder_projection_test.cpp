#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "core/image_ptr.h"
#include "mosaic/blending.h"
#include "mosaic/cylinder_projection.h"
#include "mosaic/focal_estimate.h"
#include "mosaic/strip_renderer.h"
#include "support/camera_views.h"

namespace {

TEST(CylinderProjection, FrameWidthRulesAndRefusedFocalLengths) {
    CylinderGeometry g;
    // 35 mm on a landscape picture: the 35 mm side is the width, so F = C and theta =
    // atan(0.5), and the projection is trunc(2 C atan(0.5)) = trunc(92.73) columns wide.
    ASSERT_TRUE(CylinderGeometryFor(60, 100, 35.0, &g));
    EXPECT_DOUBLE_EQ(g.film_width, 35.0);
    EXPECT_DOUBLE_EQ(g.theta, std::atan(0.5));
    EXPECT_DOUBLE_EQ(g.F, 100.0);
    EXPECT_EQ(g.columns, 92);
    // Portrait: the rows take the 35 mm, so the width is 35 x 60 / 100 = 21 mm, F = 60 / 21 x
    // 35 = 100 and N = trunc(200 atan(10.5 / 35)) = trunc(58.29).
    ASSERT_TRUE(CylinderGeometryFor(100, 60, 35.0, &g));
    EXPECT_DOUBLE_EQ(g.film_width, 21.0);
    EXPECT_DOUBLE_EQ(g.F, 100.0);
    EXPECT_EQ(g.columns, 58);
    // No cylinder has a negative, undefined or vanishing radius.
    for (double f : {0.0, -35.0, std::nan(""), std::numeric_limits<double>::infinity(), 1e-300})
        EXPECT_FALSE(CylinderGeometryFor(60, 100, f, &g)) << f;
}

TEST(CylinderProjection, SamplesTheSourceAlongEachRay) {
    // Bands linear in the column and the row, so bilinear samples are exact: 3 c, 5 r, 77.
    constexpr int R = 41, C = 64;
    const NImagePtr image(NCreateImage(3, R, C, NUByteRepn));
    for (int r = 0; r < R; ++r)
        for (int c = 0; c < C; ++c) {
            NPixel<unsigned char>(image.get(), 0, r, c) = static_cast<unsigned char>(3 * c);
            NPixel<unsigned char>(image.get(), 1, r, c) = static_cast<unsigned char>(5 * r);
            NPixel<unsigned char>(image.get(), 2, r, c) = 77;
        }
    const double f = 50.0;
    const int background = 10 * 65536 + 20 * 256 + 30;
    const NImagePtr out(ProjectToCylinder(image.get(), f, background));
    const NImagePtr mask(CylinderValidityMask(R, C, f));
    ASSERT_TRUE(out);
    ASSERT_TRUE(mask);
    // Landscape: W = 35 mm, F = 64 / 35 x 50 pixels. Centres (n - 1) / 2 + 0.5 with integer
    // division: 31.5 for the even width, 20.5 for the odd height.
    const double F = 64.0 / 35.0 * 50.0, theta = std::atan2(17.5, 50.0);
    const int N = static_cast<int>(F * 2 * theta);
    ASSERT_EQ(out->ncolumns, N);
    ASSERT_EQ(mask->ncolumns, N);
    const double cx = 31.5, cy = 20.5, hmax = 20 / F;
    int inside = 0, outside = 0;
    for (int i = 0; i < R; ++i)
        for (int j = 0; j < N; ++j) {
            const double h = -hmax + i * 2 * hmax / R, phi = -theta + j * 2 * theta / N;
            const double t = F * std::tan(phi);
            const double xs = t + cx, ys = std::sqrt(t * t + F * F) * h + cy;
            const int v0 = NPixel<unsigned char>(out.get(), 0, i, j);
            const int v1 = NPixel<unsigned char>(out.get(), 1, i, j);
            const int v2 = NPixel<unsigned char>(out.get(), 2, i, j);
            const int m = NPixel<unsigned char>(mask.get(), 0, i, j);
            if (xs >= 0 && xs <= C - 1 && ys >= 0 && ys <= R - 1) {
                ++inside;
                ASSERT_NEAR(v0, 3 * xs, 1.0) << i << ", " << j;
                ASSERT_NEAR(v1, 5 * ys, 1.0) << i << ", " << j;
                ASSERT_EQ(v2, 77);
                ASSERT_EQ(m, 255);
            } else {
                ++outside;
                ASSERT_EQ(v0, 10);
                ASSERT_EQ(v1, 20);
                ASSERT_EQ(v2, 30);
                ASSERT_EQ(m, 0);
            }
        }
    // Rays towards the corners leave the picture: the projection bulges at top and bottom.
    EXPECT_GT(inside, 0);
    EXPECT_GT(outside, 0);
}

TEST(FocalFromHomography, PanGivesItsFocalLengthAndDegenerateFitsGiveZero) {
    // A camera of F = 400 turned by 0.3 rad, in coordinates centred on the view (a 1 x 1
    // picture has its centre at 0): both ratios give F^2.
    const Homography8 pan = camera_views::PanHomography(400.0, 0.0, 0.3, 1, 1);
    FocalParts parts = FocalFromHomography(pan.h, 320);
    EXPECT_NEAR(parts.f0, 400.0, 1e-6);
    EXPECT_NEAR(parts.f1, 400.0, 1e-6);
    EXPECT_NEAR(parts.f, 400.0, 1e-6);

    // A pure translation: both denominators 0, so no focal length and nothing undefined.
    const Homography8 shift = Homography8::Translation(5.0, 30.0);
    parts = FocalFromHomography(shift.h, 320);
    EXPECT_EQ(parts.f0, 0.0);
    EXPECT_EQ(parts.f1, 0.0);
    EXPECT_EQ(parts.f, 0.0);

    // Perspective terms that move the divisor by 1e-7 x 160 across the picture count as none.
    Homography8 nearly = pan;
    nearly.h[6] = 1e-7;
    EXPECT_EQ(FocalFromHomography(nearly.h, 320).f1, 0.0);

    // A negative f0 ratio: (10^2 - 0) / (1 - 1.1^2) < 0 gives f0 = 0, hence f = 0.
    Homography8 stretched;
    stretched.h[4] = 1.1;
    stretched.h[5] = 10.0;
    stretched.h[6] = 0.01;
    parts = FocalFromHomography(stretched.h, 320);
    EXPECT_EQ(parts.f0, 0.0);
    EXPECT_GT(parts.f1, 0.0);
    EXPECT_EQ(parts.f, 0.0);
}

TEST(SummariseFocalList, StatisticsOverTheNonZeroEntries) {
    // f (mm) 30, 31, 33, 60 and one pair without a value.
    AutoFocalEntry entries[5] = {};
    const double f[5] = {30, 31, 0, 33, 60};
    for (int k = 0; k < 5; ++k) {
        entries[k].next = k < 4 ? &entries[k + 1] : nullptr;
        entries[k].f_mm = entries[k].f0_mm = entries[k].f1_mm = f[k];
        entries[k].photometricError = 1.0;
        entries[k].matchScore = 1.0;
    }
    entries[0].matchScore = 2.0;       // weight 2
    entries[3].f1_mm = 33 + 25;        // f0 and f1 disagree by more than 20 mm: no weight
    entries[4].photometricError = 0.0; // no weight
    AutoFocalListStruct list{};
    list.entries = entries;
    list.count = 6;
    SummariseFocalList(&list);
    // Median squared differences: 30 -> {0, 1, 9, 900}[1] = 1, 31 -> 1, 33 -> 4, 60 -> 729.
    EXPECT_DOUBLE_EQ(list.bestFocal, 30.0); // the first of the two smallest
    EXPECT_DOUBLE_EQ(list.bestMedianSqDeviation, 1.0);
    EXPECT_DOUBLE_EQ(list.clusteredFocal, 30.5); // 30 and 31 lie within 1 of 30
    EXPECT_DOUBLE_EQ(list.medianFocal, 31.0);
    EXPECT_DOUBLE_EQ(list.meanFocal, 38.5);
    EXPECT_DOUBLE_EQ(list.weightedFocal, (2 * 30.0 + 31.0) / 3.0);

    // Nothing usable (the one pair left has no value): zeros, not undefined values.
    list.count = 2;
    entries[0].f_mm = 0.0;
    SummariseFocalList(&list);
    for (double v : {list.bestFocal, list.clusteredFocal, list.medianFocal, list.meanFocal,
                     list.weightedFocal, list.bestMedianSqDeviation})
        EXPECT_EQ(v, 0.0);
}

TEST(LevelRamp, WeightsByBlendLevel) {
    // Four overlap columns, the new image to the right: a = j + 1, b = 4 - j.
    const auto check = [](int level, bool right, std::vector<RampWeight> expected) {
        const std::vector<RampWeight> ramp = LevelRamp(level, 4, right);
        ASSERT_EQ(ramp.size(), expected.size());
        for (std::size_t j = 0; j < ramp.size(); ++j) {
            EXPECT_EQ(ramp[j].w0, expected[j].w0) << level << " " << j;
            EXPECT_EQ(ramp[j].w1, expected[j].w1) << level << " " << j;
        }
    };
    check(kBlendGradual, true, {{1, 16}, {4, 9}, {9, 4}, {16, 1}});
    check(kBlendHalf, true, {{1, 16}, {4, 9}, {9, 4}, {16, 1}}); // half is gradual here
    check(kBlendSteep, true, {{1, 256}, {16, 81}, {81, 16}, {256, 1}});
    check(kBlendNone, true, {{0, 255}, {0, 255}, {255, 0}, {255, 0}});
    check(kBlendGradual, false, {{16, 1}, {9, 4}, {4, 9}, {1, 16}});
    check(kBlendNone, false, {{255, 0}, {255, 0}, {0, 255}, {0, 255}});
}

} // namespace
