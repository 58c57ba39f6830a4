#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "core/image_ops.h"
#include "core/image_ptr.h"
#include "mosaic/blending.h"

namespace {

// A planar one-band ubyte image whose pixel (r, c) is f(r, c).
NImagePtr GreyImage(int rows, int columns, const std::function<int(int, int)>& f) {
    NImagePtr image(NCreateImage(1, rows, columns, NUByteRepn));
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            NPixel<unsigned char>(image.get(), 0, r, c) = static_cast<unsigned char>(f(r, c));
    return image;
}

NImagePtr Constant(int rows, int columns, int value) {
    return GreyImage(rows, columns, [=](int, int) { return value; });
}

// A grey canvas of rows x columns, nothing covered.
struct Canvas {
    NImagePtr output;
    BlendCanvas blend;
    Canvas(int rows, int columns) : output(NCreateImage(1, rows, columns, NUByteRepn)) {
        blend.output = output.get();
        blend.coverage.assign(static_cast<std::size_t>(rows) * columns, 0);
    }
    int At(int r, int c) const { return NPixel<unsigned char>(output.get(), 0, r, c); }
    int Coverage(int r, int c) const {
        return blend.coverage[static_cast<std::size_t>(r) * output->ncolumns + c];
    }
};

LaySource Source(const N_ImageRec* image, Homography8 to_image = {}) {
    LaySource source;
    source.image = image;
    source.to_image = to_image;
    return source;
}

PixelRect Whole(const N_ImageRec* image) {
    return PixelRect{0, 0, image->nrows - 1, image->ncolumns - 1};
}

double MapAt(const N_ImageRec* map, int band, int r, int c) {
    return NPixel<double>(map, band, r, c);
}

// Lays a constant-100 image, then a constant-200 image over a 1 x 5 canvas with the weights of
// `level` for centres (0, 0) (the canvas) and (0, 4) (the new image); returns the row.
std::vector<int> BlendRow(int level) {
    Canvas canvas(1, 5);
    const NImagePtr first = Constant(1, 5, 100), second = Constant(1, 5, 200);
    LayFirstImage(canvas.blend, Source(first.get()), Whole(first.get()));
    const CanvasCentre earlier[] = {{0, 0}};
    const NImagePtr map = MakeDistanceMap(level, 0, 0, 1, 5, CanvasCentre{0, 4}, earlier);
    EXPECT_EQ(LayBlendedImage(canvas.blend, Source(second.get()), Whole(second.get()),
                              WeightMap{map.get(), 0, 0}),
              0);
    std::vector<int> row;
    for (int c = 0; c < 5; ++c) row.push_back(canvas.At(0, c));
    return row;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Boxes and overlap rectangles

TEST(CanvasBoxes, CornerBoxIsTheBoundingBoxOfTheFourPoints) {
    const CanvasPoint corners[4] = {{2.5, -1.0}, {-3.0, 4.0}, {7.0, 6.5}, {1.0, 0.0}};
    const CanvasBox box = CornerBox(corners);
    EXPECT_DOUBLE_EQ(box.r0, -3.0);
    EXPECT_DOUBLE_EQ(box.c0, -1.0);
    EXPECT_DOUBLE_EQ(box.r1, 7.0);
    EXPECT_DOUBLE_EQ(box.c1, 6.5);
}

TEST(CanvasBoxes, OverlapRectBoundsTheNonEmptyIntersections) {
    const CanvasBox box{10, 10, 30, 30};
    // Intersections [10,15]x[20,30] and [25,30]x[10,12]; the third box only touches the edge.
    const CanvasBox earlier[] = {{0, 20, 15, 40}, {25, 0, 50, 12}, {30, 0, 40, 40}};
    const CanvasBox overlap = OverlapRect(box, earlier);
    EXPECT_DOUBLE_EQ(overlap.r0, 10);
    EXPECT_DOUBLE_EQ(overlap.c0, 10);
    EXPECT_DOUBLE_EQ(overlap.r1, 30);
    EXPECT_DOUBLE_EQ(overlap.c1, 30);
    const CanvasBox one[] = {{0, 20, 15, 40}};
    const CanvasBox single = OverlapRect(box, one);
    EXPECT_DOUBLE_EQ(single.r0, 10);
    EXPECT_DOUBLE_EQ(single.c0, 20);
    EXPECT_DOUBLE_EQ(single.r1, 15);
    EXPECT_DOUBLE_EQ(single.c1, 30);
}

TEST(CanvasBoxes, BoxesThatOnlyTouchOrMissGiveAnEmptyOverlap) {
    const CanvasBox box{0, 0, 9, 9};
    const CanvasBox touching[] = {{0, 9, 9, 18}, {9, 0, 18, 9}, {20, 20, 30, 30}};
    EXPECT_TRUE(OverlapRect(box, touching).Empty());
    EXPECT_TRUE(OverlapRect(box, {}).Empty());
}

TEST(CanvasBoxes, MatchingBandSwapsRedAndBlueBetweenLayouts) {
    NImagePtr planar(NCreateImage(3, 2, 2, NUByteRepn));
    NImagePtr interleaved(NCreateDIBImage(3, 2, 2, NUByteRepn, nullptr));
    interleaved->owns_data = 1;
    NImagePtr grey(NCreateImage(1, 2, 2, NUByteRepn));
    EXPECT_EQ(MatchingBand(planar.get(), interleaved.get(), 0), 2);
    EXPECT_EQ(MatchingBand(planar.get(), interleaved.get(), 2), 0);
    EXPECT_EQ(MatchingBand(interleaved.get(), planar.get(), 1), 1);
    EXPECT_EQ(MatchingBand(interleaved.get(), interleaved.get(), 0), 0);
    EXPECT_EQ(MatchingBand(grey.get(), grey.get(), 0), 0);
}

// ---------------------------------------------------------------------------------------------
// Distance maps: new centre (0, 4), earlier centre (0, 0), so along row 0 Dk = (c - 4)^2 and
// Dp = c^2.

TEST(DistanceMap, GradualWeighsByFourthPowersOfSquaredDistances) {
    const CanvasCentre earlier[] = {{0, 0}};
    const NImagePtr map = MakeDistanceMap(kBlendGradual, 0, 0, 1, 5, CanvasCentre{0, 4}, earlier);
    ASSERT_TRUE(map);
    const double band0[] = {0, 1, 256, 6561, 65536}; // (c^2)^4
    const double band1[] = {65536, 6561, 256, 1, 0}; // ((c - 4)^2)^4
    for (int c = 0; c < 5; ++c) {
        EXPECT_DOUBLE_EQ(MapAt(map.get(), 0, 0, c), band0[c]) << c;
        EXPECT_DOUBLE_EQ(MapAt(map.get(), 1, 0, c), band1[c]) << c;
    }
}

TEST(DistanceMap, SteepWeighsByEighthPowers) {
    const CanvasCentre earlier[] = {{0, 0}};
    const NImagePtr map = MakeDistanceMap(kBlendSteep, 0, 0, 1, 5, CanvasCentre{0, 4}, earlier);
    ASSERT_TRUE(map);
    EXPECT_DOUBLE_EQ(MapAt(map.get(), 0, 0, 1), 1.0);
    EXPECT_DOUBLE_EQ(MapAt(map.get(), 1, 0, 1), 43046721.0); // 9^8
    EXPECT_DOUBLE_EQ(MapAt(map.get(), 0, 0, 2), 65536.0);    // 4^8
    EXPECT_DOUBLE_EQ(MapAt(map.get(), 1, 0, 2), 65536.0);
    EXPECT_DOUBLE_EQ(MapAt(map.get(), 0, 0, 4), 4294967296.0); // 16^8 = 2^32
    EXPECT_DOUBLE_EQ(MapAt(map.get(), 1, 0, 4), 0.0);
}

TEST(DistanceMap, HalfWeighsEverythingAlike) {
    const CanvasCentre earlier[] = {{0, 0}};
    const NImagePtr map = MakeDistanceMap(kBlendHalf, 0, 0, 1, 5, CanvasCentre{0, 4}, earlier);
    ASSERT_TRUE(map);
    for (int c = 0; c < 5; ++c) {
        EXPECT_DOUBLE_EQ(MapAt(map.get(), 0, 0, c), 255.0);
        EXPECT_DOUBLE_EQ(MapAt(map.get(), 1, 0, c), 255.0);
    }
}

TEST(DistanceMap, NoneGivesThePixelToTheNearerCentreAndTiesToTheNewImage) {
    const CanvasCentre earlier[] = {{0, 0}};
    const NImagePtr map = MakeDistanceMap(kBlendNone, 0, 0, 1, 5, CanvasCentre{0, 4}, earlier);
    ASSERT_TRUE(map);
    const double band0[] = {0, 0, 255, 255, 255}; // column 2 is equidistant
    for (int c = 0; c < 5; ++c) {
        EXPECT_DOUBLE_EQ(MapAt(map.get(), 0, 0, c), band0[c]) << c;
        EXPECT_DOUBLE_EQ(MapAt(map.get(), 1, 0, c), 255.0 - band0[c]) << c;
    }
}

TEST(DistanceMap, DpIsTheNearestEarlierCentreAndTheMapStartsAtItsCorner) {
    // Map pixel (0, 0) is canvas (10, 20). New centre (10, 20); earlier centres (10, 23) and
    // (14, 20): at canvas (10, 21) Dk = 1, Dp = min(4, 17) = 4.
    const CanvasCentre earlier[] = {{10, 23}, {14, 20}};
    const NImagePtr map =
        MakeDistanceMap(kBlendGradual, 10, 20, 3, 4, CanvasCentre{10, 20}, earlier);
    ASSERT_TRUE(map);
    EXPECT_DOUBLE_EQ(MapAt(map.get(), 0, 0, 1), 256.0); // 4^4
    EXPECT_DOUBLE_EQ(MapAt(map.get(), 1, 0, 1), 1.0);
    // Canvas (12, 22): Dk = 4 + 4 = 8, Dp = min(4 + 1, 4 + 4) = 5.
    EXPECT_DOUBLE_EQ(MapAt(map.get(), 0, 2, 2), 625.0);
    EXPECT_DOUBLE_EQ(MapAt(map.get(), 1, 2, 2), 4096.0);
}

TEST(HorizontalRamp, WeighsSquaredColumnDistancesTowardsTheNewSide) {
    const NImagePtr right = MakeHorizontalRamp(2, 4, true);
    const NImagePtr left = MakeHorizontalRamp(2, 4, false);
    ASSERT_TRUE(right && left);
    const double a[] = {1, 4, 9, 16}, b[] = {16, 9, 4, 1}; // (j + 1)^2 and (4 - j)^2
    for (int r = 0; r < 2; ++r)
        for (int j = 0; j < 4; ++j) {
            EXPECT_DOUBLE_EQ(MapAt(right.get(), 0, r, j), a[j]);
            EXPECT_DOUBLE_EQ(MapAt(right.get(), 1, r, j), b[j]);
            EXPECT_DOUBLE_EQ(MapAt(left.get(), 0, r, j), b[j]);
            EXPECT_DOUBLE_EQ(MapAt(left.get(), 1, r, j), a[j]);
        }
}

// ---------------------------------------------------------------------------------------------
// Laying: 100 on the canvas, 200 laid over it, weights per column as in the maps above.

TEST(BlendLevels, GradualMixesByTheFourthPowerWeights) {
    // Column 1: (1·200 + 6561·100) / 6562 = 100.015; column 3: (6561·200 + 100) / 6562 =
    // 199.985, truncated.
    EXPECT_EQ(BlendRow(kBlendGradual), (std::vector<int>{100, 100, 150, 199, 200}));
}

TEST(BlendLevels, SteepMixesByTheEighthPowerWeights) {
    // Column 3: (43046721·200 + 100) / 43046722 = 199.9999977, still below 200.
    EXPECT_EQ(BlendRow(kBlendSteep), (std::vector<int>{100, 100, 150, 199, 200}));
}

TEST(BlendLevels, HalfAveragesCanvasAndNewImage) {
    EXPECT_EQ(BlendRow(kBlendHalf), (std::vector<int>{150, 150, 150, 150, 150}));
}

TEST(BlendLevels, NoneCutsAtTheLineOfEqualDistance) {
    EXPECT_EQ(BlendRow(kBlendNone), (std::vector<int>{100, 100, 200, 200, 200}));
}

TEST(BlendLevels, UnknownLevelBehavesAsGradual) {
    EXPECT_EQ(BlendRow(42), BlendRow(kBlendGradual));
}

TEST(BlendLevels, HalfOverThreeImagesWeighsAQuarterAQuarterAndAHalf) {
    Canvas canvas(1, 1);
    const NImagePtr a = Constant(1, 1, 40), b = Constant(1, 1, 80), c = Constant(1, 1, 160);
    LayFirstImage(canvas.blend, Source(a.get()), Whole(a.get()));
    const CanvasCentre centres[] = {{0, 0}, {0, 0}};
    for (const NImagePtr* next : {&b, &c}) {
        const NImagePtr map =
            MakeDistanceMap(kBlendHalf, 0, 0, 1, 1, CanvasCentre{0, 0}, std::span(centres, 1));
        LayBlendedImage(canvas.blend, Source(next->get()), Whole(next->get()),
                        WeightMap{map.get(), 0, 0});
    }
    EXPECT_EQ(canvas.At(0, 0), 40 / 4 + 80 / 4 + 160 / 2);
}

TEST(BlendLevels, BothWeightsZeroKeepsTheCanvasValue) {
    // Both centres at (0, 2): there Dk = Dp = 0; elsewhere the weights are equal.
    Canvas canvas(1, 5);
    const NImagePtr first = Constant(1, 5, 100), second = Constant(1, 5, 200);
    LayFirstImage(canvas.blend, Source(first.get()), Whole(first.get()));
    const CanvasCentre earlier[] = {{0, 2}};
    const NImagePtr map = MakeDistanceMap(kBlendGradual, 0, 0, 1, 5, CanvasCentre{0, 2}, earlier);
    LayBlendedImage(canvas.blend, Source(second.get()), Whole(second.get()),
                    WeightMap{map.get(), 0, 0});
    EXPECT_EQ(canvas.At(0, 2), 100);
    EXPECT_EQ(canvas.At(0, 0), 150);
    EXPECT_EQ(canvas.At(0, 4), 150);
}

TEST(BlendLevels, FreePixelsTakeTheSampleWithoutBlending) {
    // The first image covers columns 0..2 only; the second everything.
    Canvas canvas(1, 5);
    const NImagePtr first = Constant(1, 3, 100), second = Constant(1, 5, 200);
    LayFirstImage(canvas.blend, Source(first.get()), Whole(second.get()));
    EXPECT_EQ(canvas.Coverage(0, 3), 0);
    EXPECT_EQ(canvas.Coverage(0, 2), 255);
    const NImagePtr map = MakeHorizontalRamp(1, 3, true);
    LayBlendedImage(canvas.blend, Source(second.get()), Whole(second.get()),
                    WeightMap{map.get(), 0, 0});
    // Ramp over columns 0..2: new weights 1, 4, 9 against 9, 4, 1.
    EXPECT_EQ(canvas.At(0, 0), (1 * 200 + 9 * 100) / 10);
    EXPECT_EQ(canvas.At(0, 1), 150);
    EXPECT_EQ(canvas.At(0, 2), (9 * 200 + 1 * 100) / 10);
    EXPECT_EQ(canvas.At(0, 3), 200);
    EXPECT_EQ(canvas.At(0, 4), 200);
    EXPECT_EQ(canvas.Coverage(0, 4), 255);
}

TEST(BlendLevels, CoveredPixelOutsideTheMapIsKeptAndLogged) {
    Canvas canvas(1, 5);
    const NImagePtr first = Constant(1, 5, 100), second = Constant(1, 5, 200);
    LayFirstImage(canvas.blend, Source(first.get()), Whole(first.get()));
    const NImagePtr map = MakeHorizontalRamp(1, 2, true); // columns 1 and 2 only
    testing::internal::CaptureStdout();
    const std::int64_t misses = LayBlendedImage(canvas.blend, Source(second.get()),
                                                Whole(second.get()), WeightMap{map.get(), 0, 1});
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(misses, 3);
    EXPECT_EQ(printed, "Distance map out of bounds\nDistance map out of bounds\n"
                       "Distance map out of bounds\n");
    EXPECT_EQ(canvas.At(0, 0), 100);
    EXPECT_EQ(canvas.At(0, 3), 100);
    EXPECT_EQ(canvas.At(0, 4), 100);
    EXPECT_EQ(canvas.At(0, 1), (1 * 200 + 4 * 100) / 5);
}

// ---------------------------------------------------------------------------------------------
// Sampling

TEST(Sampling, FirstImageIsLaidOnlyWhereItMapsInside) {
    // The image's origin lies at canvas (1, 2): to-image moves by (-1, -2).
    Canvas canvas(4, 6);
    const NImagePtr image = GreyImage(2, 3, [](int r, int c) { return 10 * r + c + 1; });
    LayFirstImage(canvas.blend, Source(image.get(), Homography8::Translation(-1, -2)),
                  PixelRect{0, 0, 3, 5});
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 6; ++c) {
            const bool inside = r >= 1 && r <= 2 && c >= 2 && c <= 4;
            EXPECT_EQ(canvas.Coverage(r, c), inside ? 255 : 0) << r << "," << c;
            EXPECT_EQ(canvas.At(r, c), inside ? 10 * (r - 1) + (c - 2) + 1 : 0) << r << "," << c;
        }
}

TEST(Sampling, FractionalTranslationInterpolatesBilinearly) {
    // Pixel values 4r + 8c are linear, so bilinear samples are exact: canvas (r, c) reads
    // source (r + 0.25, c + 0.5), value 4r + 1 + 8c + 4.
    Canvas canvas(3, 3);
    const NImagePtr image = GreyImage(4, 4, [](int r, int c) { return 4 * r + 8 * c; });
    LayFirstImage(canvas.blend, Source(image.get(), Homography8::Translation(0.25, 0.5)),
                  PixelRect{0, 0, 2, 2});
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) EXPECT_EQ(canvas.At(r, c), 4 * r + 8 * c + 5);
}

TEST(Sampling, LastRowTakesThePixelWithoutInterpolatingAlongIt) {
    // Canvas row 0 maps onto the source's last row (position 1.0, 0.5): the engine's bilinear
    // read takes pixel (1, 0) as it is there.
    Canvas canvas(1, 1);
    const NImagePtr image = GreyImage(2, 2, [](int r, int c) { return 10 + 20 * r + 100 * c; });
    LayFirstImage(canvas.blend, Source(image.get(), Homography8::Translation(1.0, 0.5)),
                  PixelRect{0, 0, 0, 0});
    EXPECT_EQ(canvas.At(0, 0), 30);
    EXPECT_EQ(canvas.At(0, 0), static_cast<int>(NGetPixelBilinear(image.get(), 0, 1.0, 0.5)));
}

TEST(Sampling, ProjectiveTransformAgreesWithTheEngineBilinearRead) {
    // A general transform over a canvas large enough to be shared out between threads: every
    // pixel must be what Homography8::Apply and NGetPixelBilinear give, truncated.
    const NImagePtr image =
        GreyImage(180, 220, [](int r, int c) { return (r * 7 + c * 13 + (r * c) % 17) % 256; });
    Homography8 h;
    const double values[8] = {0.93, -0.12, 14.3, 0.08, 1.04, -9.7, 0.0004, -0.0002};
    for (int i = 0; i < 8; ++i) h.h[i] = values[i];
    Canvas canvas(230, 300);
    LayFirstImage(canvas.blend, Source(image.get(), h), PixelRect{0, 0, 229, 299});
    int inside = 0;
    for (int r = 0; r < 230; ++r)
        for (int c = 0; c < 300; ++c) {
            double ri = 0, ci = 0;
            ASSERT_TRUE(h.Apply(r, c, &ri, &ci));
            const bool belongs = ri >= 0 && ri <= 179 && ci >= 0 && ci <= 219;
            ASSERT_EQ(canvas.Coverage(r, c), belongs ? 255 : 0) << r << "," << c;
            if (!belongs) continue;
            ++inside;
            const double v = NGetPixelBilinear(image.get(), 0, ri, ci);
            ASSERT_EQ(canvas.At(r, c), static_cast<int>(v + 1e-6)) << r << "," << c;
        }
    EXPECT_GT(inside, 20000);
}

TEST(Sampling, TranslationsAgreeWithTheEngineBilinearRead) {
    // Translations by binary fractions map canvas pixels exactly, so each canvas pixel must be
    // NGetPixelBilinear at (r + ty, c + tx), truncated, wherever that lies inside the source;
    // the cases include whole shifts, fractions along one axis only and negative shifts.
    const NImagePtr image =
        GreyImage(40, 50, [](int r, int c) { return (r * 31 + c * 17 + (r * c) % 23) % 256; });
    const std::pair<double, double> shifts[] = {{0, 0},       {0.25, 0.5}, {0.5, 0},   {0, 0.75},
                                                {-3.5, 2.25}, {7, -4},     {2.5, 10.5}};
    for (const auto& [ty, tx] : shifts) {
        Canvas canvas(60, 70);
        LayFirstImage(canvas.blend, Source(image.get(), Homography8::Translation(ty, tx)),
                      PixelRect{0, 0, 59, 69});
        for (int r = 0; r < 60; ++r)
            for (int c = 0; c < 70; ++c) {
                const double ri = r + ty, ci = c + tx;
                const bool belongs = ri >= 0 && ri <= 39 && ci >= 0 && ci <= 49;
                ASSERT_EQ(canvas.Coverage(r, c), belongs ? 255 : 0) << ty << "," << tx;
                if (!belongs) continue;
                const double v = NGetPixelBilinear(image.get(), 0, ri, ci);
                ASSERT_EQ(canvas.At(r, c), static_cast<int>(v + 1e-6))
                    << ty << "," << tx << " at " << r << "," << c;
            }
    }
}

TEST(Sampling, NearestNeighbourRoundsHalfAwayFromZero) {
    // Source position (r + 0.5, c + 0.5) rounds to (r + 1, c + 1).
    Canvas canvas(2, 2);
    const NImagePtr image = GreyImage(3, 3, [](int r, int c) { return 1 + 3 * r + c; });
    LaySource source = Source(image.get(), Homography8::Translation(0.5, 0.5));
    source.nearest = true;
    LayFirstImage(canvas.blend, source, PixelRect{0, 0, 1, 1});
    EXPECT_EQ(canvas.At(0, 0), 1 + 3 + 1);
    EXPECT_EQ(canvas.At(1, 1), 1 + 6 + 2);
    // Just below one half rounds down.
    Canvas lower(1, 1);
    source.to_image = Homography8::Translation(0.49, 0.49);
    LayFirstImage(lower.blend, source, PixelRect{0, 0, 0, 0});
    EXPECT_EQ(lower.At(0, 0), 1);
}

TEST(Sampling, MaskKeepsOnlyPixelsMarked255) {
    Canvas canvas(2, 4);
    const NImagePtr image = Constant(2, 4, 77);
    const NImagePtr mask = GreyImage(2, 4, [](int, int c) { return c < 2 ? 255 : 254; });
    LaySource source = Source(image.get());
    source.mask = mask.get();
    LayFirstImage(canvas.blend, source, PixelRect{0, 0, 1, 3});
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 4; ++c) {
            EXPECT_EQ(canvas.At(r, c), c < 2 ? 77 : 0);
            EXPECT_EQ(canvas.Coverage(r, c), c < 2 ? 255 : 0);
        }
}

TEST(Sampling, MaskIsReadAtTheRoundedSourcePosition) {
    // Canvas (0, 0) reads source (0.6, 0.2), which rounds to (1, 0): only that mask pixel counts.
    const NImagePtr image = Constant(3, 3, 50);
    const NImagePtr mask = GreyImage(3, 3, [](int r, int c) { return r == 1 && c == 0 ? 255 : 0; });
    for (const Homography8& h : {Homography8::Translation(0.6, 0.2), [] {
                                     Homography8 g = Homography8::Translation(0.6, 0.2);
                                     g.h[7] = 1e-9; // takes the per-pixel path
                                     return g;
                                 }()}) {
        Canvas canvas(1, 1);
        LaySource source = Source(image.get(), h);
        source.mask = mask.get();
        LayFirstImage(canvas.blend, source, PixelRect{0, 0, 0, 0});
        EXPECT_EQ(canvas.At(0, 0), 50);
    }
}
