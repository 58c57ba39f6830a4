#include <gtest/gtest.h>

#include <cmath>

#include "core/image_ops.h"
#include "engine/core/pixel_values.h"
#include "support/recording_prompts.h"

namespace {

TEST(ImageOpsBilinear, InterpolatesInsideAndCopiesOnTheLastRowAndColumn) {
    RecordingPrompts prompts;
    NImagePtr grid = MakeImage(NUByteRepn, 1, 3, 4, {1, 2, 3, 4, 5, 6, 10, 20, 7, 8, 30, 40});
    // 10 x 0.375 + 20 x 0.125 + 30 x 0.375 + 40 x 0.125
    EXPECT_DOUBLE_EQ(NGetPixelBilinear(grid.get(), 0, 1.5, 2.25), 22.5);
    EXPECT_EQ(NGetPixelBilinear(grid.get(), 0, 2.0, 0.5), 7.0);  // last row, not 7.5
    EXPECT_EQ(NGetPixelBilinear(grid.get(), 0, 0.5, 3.75), 4.0); // last column, not 12
    NImagePtr real = MakeImage(NFloatRepn, 1, 3, 4, {1, 2, 3, 4, 5, 6, 10, 20, 7, 8, 30, 40});
    EXPECT_DOUBLE_EQ(NGetPixelBilinear(real.get(), 0, 1.5, 2.25), 22.5);
    NImagePtr dib = MakeDib(3, 3, 4); // band 1 is the plane 100 + 10 r + c
    EXPECT_DOUBLE_EQ(NGetPixelBilinear(dib.get(), 1, 0.5, 1.25), 106.25);
    EXPECT_EQ(prompts.Count(), 0u);
}

TEST(ImageOpsBilinear, RefusesOutsidePositions) {
    RecordingPrompts prompts;
    NImagePtr image(NCreateImage(1, 3, 4, NUByteRepn));
    for (double r : {-0.5, 3.0, std::nan(""), 1e300})
        EXPECT_EQ(NGetPixelBilinear(image.get(), 0, r, 0), -1.0);
    EXPECT_EQ(NGetPixelBilinear(image.get(), 0, 1.0, 4.0), -1.0);
    EXPECT_EQ(prompts.Count(), 5u);
}

TEST(ImageOpsReduce, AveragesWholeBlocksAndTruncatesIntegers) {
    // Row 4 and column 4 lie beyond the last whole block and must not count.
    const Values five = {1,   2,   10, 10, 255, 2,  2,   10,  11,  255, 0,   0,  200,
                         100, 255, 0,  1,  50,  51, 255, 255, 255, 255, 255, 255};
    NImagePtr bytes = MakeImage(NUByteRepn, 1, 5, 5, five);
    NImagePtr reduced(NReduceImage(bytes.get(), nullptr, -1, 2, 2));
    ASSERT_TRUE(reduced);
    EXPECT_EQ(Plane(reduced.get()), (Values{1, 10, 0, 100})); // 1.75, 10.25, 0.25, 100.25
    NImagePtr real = MakeImage(NFloatRepn, 1, 5, 5, five);
    EXPECT_EQ(Plane(NImagePtr(NReduceImage(real.get(), nullptr, -1, 2, 2)).get()),
              (Values{1.75, 10.25, 0.25, 100.25}));
    // A uniform block keeps its value, for every ubyte value.
    NImagePtr uniform(NCreateImage(1, 4, 4 * 256, NUByteRepn));
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4 * 256; ++c) NSetPixel(uniform.get(), 0, r, c, c / 4);
    NImagePtr by4(NReduceImage(uniform.get(), nullptr, -1, 4, 4));
    for (int v = 0; v < 256; ++v) ASSERT_EQ(NGetPixel(by4.get(), 0, 0, v), v);
}

TEST(ImageOpsReduce, KeepsLayoutAndBandSelection) {
    // (The band interpretation a reduced image inherits has no reader in the engine.)
    NImagePtr dib = MakeDib(3, 4, 6);
    NImagePtr all(NReduceImage(dib.get(), nullptr, -1, 2, 3));
    NImagePtr one(NReduceImage(dib.get(), nullptr, 2, 2, 3));
    ASSERT_TRUE(all && one);
    EXPECT_EQ(all->interleaved + one->interleaved, 2);
    EXPECT_EQ(all->owns_data, 1);
    // Blocks average 10 r + c over rows 0-1 / 2-3 and columns 0-2 / 3-5: 6, 9, 26, 29.
    for (int b = 0; b < 3; ++b)
        EXPECT_EQ(Plane(all.get(), b),
                  (Values{6.0 + 100 * b, 9.0 + 100 * b, 26.0 + 100 * b, 29.0 + 100 * b}));
    EXPECT_EQ(Plane(one.get()), (Values{206, 209, 226, 229}));
    NImagePtr copy(NReduceImage(dib.get(), nullptr, 1, 1, 1)); // factor 1: a copy
    EXPECT_EQ(Plane(copy.get()), Plane(dib.get(), 1));
}

TEST(ImageOpsReduce, RefusesABlockLargerThanThePicture) {
    RecordingPrompts prompts;
    NImagePtr image(NCreateImage(3, 3, 3, NUByteRepn));
    // A pyramid of a picture smaller than one block: no level to make.
    EXPECT_EQ(NReduceImage(image.get(), nullptr, -1, 4, 4), nullptr);
    EXPECT_EQ(prompts.Count(), 1u);
}

TEST(ImageOpsFill, SetsLowBytesValuesOrNothing) {
    RecordingPrompts prompts;
    NImagePtr bytes(NCreateImage(2, 1, 2, NUByteRepn));
    EXPECT_TRUE(NFillImage(bytes.get(), -1, 300.7));
    EXPECT_TRUE(NFillImage(bytes.get(), 1, -1.5));
    EXPECT_EQ(Plane(bytes.get(), 0), (Values{44, 44}));
    EXPECT_EQ(Plane(bytes.get(), 1), (Values{255, 255}));
    NImagePtr real(NCreateImage(3, 1, 2, NDoubleRepn));
    EXPECT_TRUE(NFillImage(real.get(), 1, 2.5));
    EXPECT_EQ(Plane(real.get(), 1), (Values{2.5, 2.5}));
    EXPECT_EQ(Plane(real.get(), 2), (Values{0, 0}));
    NImagePtr dib = MakeDib(3, 1, 2);
    EXPECT_TRUE(NFillImage(dib.get(), 1, 9));
    EXPECT_EQ(Plane(dib.get(), 0), (Values{0, 1}));
    EXPECT_EQ(Plane(dib.get(), 1), (Values{9, 9}));
    EXPECT_EQ(prompts.Count(), 0u);
    EXPECT_FALSE(NFillImage(dib.get(), 3, 1.0));
    EXPECT_EQ(prompts.Count(), 1u);
}

TEST(ImageOpsFill, PackedColourFollowsTheLayout) {
    NImagePtr dib = MakeDib(3, 3, 5);
    EXPECT_TRUE(NFillPacked(dib.get(), 0x123456));
    const auto stride = NImageStride(dib.get());
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 5; ++c) { // blue, green, red in memory
            const unsigned char* p = dib->data + r * stride + 3 * c;
            EXPECT_EQ(p[0] * 65536 + p[1] * 256 + p[2], 0x563412);
        }
    // (Planar colour and grey canvases take their background in the composition and
    // projection tests.)
    NImagePtr two(NCreateImage(2, 1, 1, NUByteRepn)), dib1 = MakeDib(1, 1, 2);
    EXPECT_FALSE(NFillPacked(two.get(), 0xFFFFFF));
    EXPECT_FALSE(NFillPacked(dib1.get(), 0xFFFFFF));
    EXPECT_EQ(Plane(two.get()), (Values{0}));
    EXPECT_EQ(Plane(dib1.get()), (Values{0, 1}));
}

} // namespace
