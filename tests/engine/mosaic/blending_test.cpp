#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
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

// A grey canvas, nothing covered.
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
    void LayFirst(const N_ImageRec* image, Homography8 h = {}, bool nearest = false,
                  const N_ImageRec* mask = nullptr) {
        LayFirstImage(blend, LaySource{image, nullptr, h, mask, nearest},
                      PixelRect{0, 0, output->nrows - 1, output->ncolumns - 1});
    }
    std::int64_t LayOver(const N_ImageRec* image, const N_ImageRec* map, int top, int left) {
        return LayBlendedImage(blend, LaySource{image, nullptr, {}, nullptr, false},
                               PixelRect{0, 0, output->nrows - 1, output->ncolumns - 1},
                               WeightMap{map, top, left});
    }
};

double MapAt(const NImagePtr& map, int band, int r, int c) {
    return NPixel<double>(map.get(), band, r, c);
}

// Along a 1 x 5 row, the new image's centre is (0, 4) and the earlier one's (0, 0):
// Dk = (c - 4)^2 and Dp = c^2.
NImagePtr RowMap(int level) {
    const CanvasCentre earlier[] = {{0, 0}};
    return MakeDistanceMap(level, 0, 0, 1, 5, CanvasCentre{0, 4}, earlier);
}

} // namespace

TEST(CanvasBoxes, OverlapRectBoundsTheNonEmptyIntersections) {
    const CanvasPoint corners[4] = {{10, 12}, {10, 30}, {30, 28}, {11, 10}};
    const CanvasBox box = CornerBox(corners);
    EXPECT_EQ((std::vector<double>{box.r0, box.c0, box.r1, box.c1}),
              (std::vector<double>{10, 10, 30, 30}));
    // Intersections [10,15]x[20,30] and [25,30]x[10,12]; the third box only touches an edge.
    const CanvasBox earlier[] = {{0, 20, 15, 40}, {25, 0, 50, 12}, {30, 0, 40, 40}};
    const CanvasBox overlap = OverlapRect(box, earlier);
    EXPECT_EQ((std::vector<double>{overlap.r0, overlap.c0, overlap.r1, overlap.c1}),
              (std::vector<double>{10, 10, 30, 30}));
    const CanvasBox single = OverlapRect(box, std::span(earlier, 1));
    EXPECT_EQ((std::vector<double>{single.r0, single.c0, single.r1, single.c1}),
              (std::vector<double>{10, 20, 15, 30}));
    EXPECT_TRUE(OverlapRect(box, std::span(earlier + 2, 1)).Empty());
    EXPECT_TRUE(OverlapRect(box, {}).Empty());
}

TEST(DistanceMap, EachLevelWeighsAsItsTable) {
    // (How a canvas pixel mixes under two weights is the laying tests' below.)
    struct Case {
        int level;
        std::vector<double> band0, band1;
    };
    const Case cases[] = {
        // gradual: Dp^4 and Dk^4
        {kBlendGradual, {0, 1, 256, 6561, 65536}, {65536, 6561, 256, 1, 0}},
        // steep: Dp^8 and Dk^8 (9^8 = 43046721, 16^8 = 2^32)
        {kBlendSteep, {0, 1, 65536, 43046721, 4294967296.0}, {4294967296.0, 43046721, 65536, 1, 0}},
        {kBlendHalf, {255, 255, 255, 255, 255}, {255, 255, 255, 255, 255}},
        // none: column 2 is equidistant and goes to the new image
        {kBlendNone, {0, 0, 255, 255, 255}, {255, 255, 0, 0, 0}},
        // an unknown level weighs as gradual
        {42, {0, 1, 256, 6561, 65536}, {65536, 6561, 256, 1, 0}},
    };
    for (const Case& k : cases) {
        const NImagePtr map = RowMap(k.level);
        ASSERT_TRUE(map);
        for (int c = 0; c < 5; ++c) {
            EXPECT_DOUBLE_EQ(MapAt(map, 0, 0, c), k.band0[c]) << k.level << " column " << c;
            EXPECT_DOUBLE_EQ(MapAt(map, 1, 0, c), k.band1[c]) << k.level << " column " << c;
        }
    }
}

TEST(DistanceMap, DpIsTheNearestEarlierCentreAndTheMapStartsAtItsCorner) {
    // Map pixel (0, 0) is canvas (10, 20); centres: new (10, 20), earlier (10, 23), (14, 20).
    const CanvasCentre earlier[] = {{10, 23}, {14, 20}};
    const NImagePtr map =
        MakeDistanceMap(kBlendGradual, 10, 20, 3, 4, CanvasCentre{10, 20}, earlier);
    ASSERT_TRUE(map);
    EXPECT_DOUBLE_EQ(MapAt(map, 0, 0, 1), 256.0); // canvas (10, 21): Dp = min(4, 17), Dk = 1
    EXPECT_DOUBLE_EQ(MapAt(map, 1, 0, 1), 1.0);
    EXPECT_DOUBLE_EQ(MapAt(map, 0, 2, 2), 625.0); // canvas (12, 22): Dp = min(5, 8), Dk = 8
    EXPECT_DOUBLE_EQ(MapAt(map, 1, 2, 2), 4096.0);
}

TEST(BlendLevels, TheMixOfCanvasAndNewImageIsTruncated) {
    // 100 on the canvas, 200 laid over it with the gradual row map: column 3 is
    // (6561·200 + 100) / 6562 = 199.985.
    Canvas canvas(1, 5);
    const NImagePtr first = Constant(1, 5, 100), second = Constant(1, 5, 200);
    canvas.LayFirst(first.get());
    EXPECT_EQ(canvas.LayOver(second.get(), RowMap(kBlendGradual).get(), 0, 0), 0);
    EXPECT_EQ((std::vector<int>{canvas.At(0, 0), canvas.At(0, 1), canvas.At(0, 2), canvas.At(0, 3),
                                canvas.At(0, 4)}),
              (std::vector<int>{100, 100, 150, 199, 200}));
}

TEST(BlendLevels, HalfOverThreeImagesWeighsAQuarterAQuarterAndAHalf) {
    Canvas canvas(1, 1);
    const NImagePtr a = Constant(1, 1, 40), b = Constant(1, 1, 80), c = Constant(1, 1, 160);
    canvas.LayFirst(a.get());
    const CanvasCentre earlier[] = {{0, 0}};
    const NImagePtr map = MakeDistanceMap(kBlendHalf, 0, 0, 1, 1, CanvasCentre{0, 0}, earlier);
    canvas.LayOver(b.get(), map.get(), 0, 0);
    canvas.LayOver(c.get(), map.get(), 0, 0);
    EXPECT_EQ(canvas.At(0, 0), 40 / 4 + 80 / 4 + 160 / 2);
}

TEST(BlendLevels, BothWeightsZeroKeepsTheCanvasValue) {
    // Both centres at (0, 2): there Dk = Dp = 0; elsewhere the weights are equal.
    Canvas canvas(1, 5);
    const NImagePtr first = Constant(1, 5, 100), second = Constant(1, 5, 200);
    canvas.LayFirst(first.get());
    const CanvasCentre earlier[] = {{0, 2}};
    canvas.LayOver(second.get(),
                   MakeDistanceMap(kBlendGradual, 0, 0, 1, 5, CanvasCentre{0, 2}, earlier).get(), 0,
                   0);
    EXPECT_EQ((std::vector<int>{canvas.At(0, 0), canvas.At(0, 2), canvas.At(0, 4)}),
              (std::vector<int>{150, 100, 150}));
}

TEST(BlendLevels, FreePixelsTakeTheSampleAndCoveredOnesOutsideTheMapAreLogged) {
    // The first image covers columns 0..2; the ramp map covers columns 1..2 only.
    Canvas canvas(1, 5);
    const NImagePtr first = Constant(1, 3, 100), second = Constant(1, 5, 200);
    canvas.LayFirst(first.get());
    EXPECT_EQ(canvas.Coverage(0, 3), 0);
    const NImagePtr map = MakeHorizontalRamp(1, 2, true);
    testing::internal::CaptureStdout();
    EXPECT_EQ(canvas.LayOver(second.get(), map.get(), 0, 1), 1); // one pixel outside the map
    testing::internal::GetCapturedStdout();
    // Column 0 kept; columns 1, 2 weighted 1 : 4 and 4 : 1; columns 3, 4 free.
    EXPECT_EQ((std::vector<int>{canvas.At(0, 0), canvas.At(0, 1), canvas.At(0, 2), canvas.At(0, 3),
                                canvas.At(0, 4)}),
              (std::vector<int>{100, 120, 180, 200, 200}));
    EXPECT_EQ(canvas.Coverage(0, 4), 255);
}

TEST(Sampling, EveryLaidPixelIsTheEngineBilinearReadOfItsSourcePosition) {
    // Each canvas pixel must be NGetPixelBilinear at Homography8::Apply of it, truncated, where
    // that lies inside the image, and uncovered elsewhere. The translations are by binary
    // fractions (exact positions): whole shifts, a fraction along one axis only (the last row
    // or column is then taken without interpolation), negative shifts. The projective case is
    // large enough to be shared out between threads.
    const NImagePtr image =
        GreyImage(180, 220, [](int r, int c) { return (r * 7 + c * 13 + (r * c) % 17) % 256; });
    std::vector<Homography8> transforms;
    for (const auto& [ty, tx] : {std::pair{0.0, 0.0},
                                 {0.25, 0.5},
                                 {0.5, 0.0},
                                 {0.0, 0.75},
                                 {-3.5, 2.25},
                                 {7.0, -4.0},
                                 {2.5, 10.5}})
        transforms.push_back(Homography8::Translation(ty, tx));
    Homography8 projective;
    const double values[8] = {0.93, -0.12, 14.3, 0.08, 1.04, -9.7, 0.0004, -0.0002};
    std::copy(values, values + 8, projective.h);
    transforms.push_back(projective);
    for (const Homography8& h : transforms) {
        Canvas canvas(230, 300);
        canvas.LayFirst(image.get(), h);
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
}

TEST(Sampling, NearestNeighbourRoundsHalfAwayFromZero) {
    const NImagePtr image = GreyImage(3, 3, [](int r, int c) { return 1 + 3 * r + c; });
    Canvas half(2, 2), below(1, 1);
    half.LayFirst(image.get(), Homography8::Translation(0.5, 0.5), true);
    EXPECT_EQ(half.At(0, 0), 1 + 3 + 1); // (0.5, 0.5) -> (1, 1)
    EXPECT_EQ(half.At(1, 1), 1 + 6 + 2);
    below.LayFirst(image.get(), Homography8::Translation(0.49, 0.49), true);
    EXPECT_EQ(below.At(0, 0), 1);
}

TEST(Sampling, MaskIsReadAtTheRoundedSourcePosition) {
    // Canvas (0, 0) reads source (0.6, 0.2), which rounds to (1, 0), the only usable mask pixel;
    // the second transform takes the per-pixel path. A mask pixel of 254 refuses. The image is
    // linear, so the sample is 10·0.6 + 40·0.2 = 14.
    const NImagePtr image = GreyImage(3, 3, [](int r, int c) { return 10 * r + 40 * c; });
    Homography8 general = Homography8::Translation(0.6, 0.2);
    general.h[7] = 1e-9;
    for (int usable : {255, 254})
        for (const Homography8& h : {Homography8::Translation(0.6, 0.2), general}) {
            const NImagePtr mask =
                GreyImage(3, 3, [=](int r, int c) { return r == 1 && c == 0 ? usable : 0; });
            Canvas canvas(1, 1);
            canvas.LayFirst(image.get(), h, false, mask.get());
            EXPECT_EQ(canvas.At(0, 0), usable == 255 ? 14 : 0);
            EXPECT_EQ(canvas.Coverage(0, 0), usable == 255 ? 255 : 0);
        }
}
