#include <gtest/gtest.h>

#include <cmath>

#include "core/image_ops.h"
#include "engine/core/pixel_values.h"
#include "support/recording_prompts.h"
#include "support/test_images.h"

namespace {

TEST(ImageOpsBilinear, InterpolatesInsideAndCopiesOnTheLastRowAndColumn) {
    RecordingPrompts prompts;
    NImagePtr grid = MakeImage(NUByteRepn, 1, 3, 4, {1, 2, 3, 4, 5, 6, 10, 20, 7, 8, 30, 40});
    // 10 x 0.375 + 20 x 0.125 + 30 x 0.375 + 40 x 0.125
    EXPECT_DOUBLE_EQ(NGetPixelBilinear(grid.get(), 0, 1.5, 2.25), 22.5);
    EXPECT_EQ(NGetPixelBilinear(grid.get(), 0, 2.0, 0.5), 7.0);  // last row, not 7.5
    EXPECT_EQ(NGetPixelBilinear(grid.get(), 0, 0.5, 3.75), 4.0); // last column, not 12
    NImagePtr real(NConvertImageCopy(grid.get(), nullptr, -1, NFloatRepn));
    EXPECT_DOUBLE_EQ(NGetPixelBilinear(real.get(), 0, 1.5, 2.25), 22.5);
    NImagePtr dib = MakeDib(3, 3, 4); // band 1 is the plane 100 + 10 r + c
    EXPECT_DOUBLE_EQ(NGetPixelBilinear(dib.get(), 1, 0.5, 1.25), 106.25);
    EXPECT_EQ(prompts.Count(), 0u);
}

TEST(ImageOpsBilinear, RefusesOutsidePositionsBadBandsAndShortPixels) {
    RecordingPrompts prompts;
    NImagePtr image(NCreateImage(1, 3, 4, NShortRepn));
    EXPECT_EQ(NGetPixelBilinear(image.get(), 0, -0.5, 1.0), -1.0);
    EXPECT_EQ(prompts.OnlyText(), WarningText("Out of range:(-0.500000, 1.000000) in 3 x 4"));
    for (double r : {3.0, std::nan(""), 1e300})
        EXPECT_EQ(NGetPixelBilinear(image.get(), 0, r, 0), -1.0);
    EXPECT_EQ(NGetPixelBilinear(image.get(), 0, 1.0, 4.0), -1.0);
    EXPECT_EQ(prompts.Count(), 5u);
    prompts.Clear();
    EXPECT_EQ(NGetPixelBilinear(image.get(), 1, 0.5, 0.5), -1.0);
    EXPECT_EQ(prompts.OnlyText(),
              WarningText("NGetPixelBilinear: Band 1 referenced in image of 1 band(s)"));
    prompts.Clear();
    EXPECT_EQ(NGetPixelBilinear(image.get(), 0, 0.5, 0.5), -1.0);
    EXPECT_EQ(prompts.OnlyText(), ErrorText("NGetPixel: short images not supported"));
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

// The block mean: for float the sum of value / (fr x fc) in double, rows in order; for ubyte
// the exact mean truncated toward zero.
double StatedMean(const N_ImageRec* src, int band, int i, int j, int fr, int fc) {
    double sum = 0.0;
    long long whole = 0;
    for (int q = 0; q < fr; ++q)
        for (int t = 0; t < fc; ++t) {
            const double v = NGetPixel(src, band, i * fr + q, j * fc + t);
            sum += v / static_cast<double>(fr * fc);
            whole += static_cast<long long>(v);
        }
    return src->repn == NFloatRepn ? static_cast<float>(sum)
                                   : static_cast<double>(whole / (fr * fc));
}

TEST(ImageOpsReduce, FollowsTheDoubleSumRuleForAnyFactors) {
    // Uniform stripes in band 1 give block sums that are exact multiples of the block size:
    // a uniform ubyte block keeps its value whatever the block size.
    NImagePtr texture = MakeTextureImage(3, 61, 83, 7);
    for (int r = 0; r < 61; ++r)
        for (int c = 0; c < 30; ++c) NSetPixel(texture.get(), 1, r, c, 3 * (c / 6) + 1);
    NImagePtr real(NConvertImageCopy(texture.get(), nullptr, -1, NFloatRepn));
    const int factors[][2] = {{2, 2}, {4, 4}, {3, 3}, {2, 3}, {3, 1}, {1, 5}, {7, 6}};
    for (N_ImageRec* src : {texture.get(), real.get()})
        for (const auto& f : factors) {
            NImagePtr out(NReduceImage(src, nullptr, -1, f[0], f[1]));
            ASSERT_TRUE(out);
            ASSERT_EQ(out->nrows * 1000 + out->ncolumns, 61 / f[0] * 1000 + 83 / f[1]);
            for (int b = 0; b < 3; ++b)
                for (int i = 0; i < out->nrows; ++i)
                    for (int j = 0; j < out->ncolumns; ++j)
                        ASSERT_EQ(NGetPixel(out.get(), b, i, j),
                                  StatedMean(src, b, i, j, f[0], f[1]))
                            << f[0] << "x" << f[1] << " band " << b << " at " << i << "," << j;
        }
}

TEST(ImageOpsReduce, KeepsLayoutBandSelectionAndAttributes) {
    NImagePtr dib = MakeDib(3, 4, 6);
    ASSERT_TRUE(NSetBandInterp(dib.get(), NBandInterpNone, 1, NBandInterpNone, 1, NBandInterpRGB, 3,
                               NBandInterpNone, 1));
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
    EXPECT_EQ(NGetBandInterp(all.get(), NColorInterpAttr), NBandInterpRGB);
    EXPECT_EQ(all->ncolors, 3);
    NImagePtr copy(NReduceImage(dib.get(), nullptr, 1, 1, 1)); // factor 1: a copy
    EXPECT_EQ(Plane(copy.get()), Plane(dib.get(), 1));
}

TEST(ImageOpsReduce, RefusesBadArguments) {
    RecordingPrompts prompts;
    NImagePtr image(NCreateImage(3, 3, 3, NUByteRepn));
    EXPECT_EQ(NReduceImage(image.get(), nullptr, -1, 0, 2), nullptr);
    EXPECT_EQ(NReduceImage(image.get(), nullptr, -1, 2, -1), nullptr);
    NImagePtr wrong(NCreateImage(3, 2, 1, NUByteRepn));
    EXPECT_EQ(NReduceImage(image.get(), nullptr, -1, 4, 4), nullptr);
    EXPECT_EQ(NReduceImage(image.get(), nullptr, 3, 2, 2), nullptr);
    EXPECT_EQ(NReduceImage(image.get(), wrong.get(), -1, 1, 2), nullptr);
    ASSERT_EQ(prompts.Count(), 5u);
    EXPECT_EQ(prompts.Boxes()[1].text,
              WarningText("NReduceImage: Scaling factors are not positive"));
    EXPECT_EQ(prompts.Boxes()[2].text,
              WarningText("NReduceImage: Destination image would have zero dimension"));
    EXPECT_EQ(prompts.Boxes()[3].text,
              WarningText("NReduceImage: Band 3 referenced in image of 3 band(s)"));
    EXPECT_EQ(prompts.Boxes()[4].text,
              WarningText("NReduceImage: Destination image has 2 rows; 3 expected"));
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
    NImagePtr wide = MakeImage(NShortRepn, 1, 1, 2, {7, -7});
    EXPECT_TRUE(NFillImage(wide.get(), -1, 3.0)); // short keeps its values unless filled with 0
    EXPECT_EQ(Plane(wide.get()), (Values{7, -7}));
    EXPECT_TRUE(NFillImage(wide.get(), -1, 0.0));
    EXPECT_EQ(Plane(wide.get()), (Values{0, 0}));
    NImagePtr dib = MakeDib(3, 1, 2);
    EXPECT_TRUE(NFillImage(dib.get(), 1, 9));
    EXPECT_EQ(Plane(dib.get(), 0), (Values{0, 1}));
    EXPECT_EQ(Plane(dib.get(), 1), (Values{9, 9}));
    EXPECT_EQ(prompts.Count(), 0u);
    EXPECT_FALSE(NFillImage(dib.get(), 3, 1.0));
    EXPECT_EQ(prompts.OnlyText(),
              WarningText("NFillImage: Band 3 referenced in image of 3 band(s)"));
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
    NImagePtr rgb(NCreateImage(3, 1, 2, NUByteRepn)), grey(NCreateImage(1, 1, 2, NUByteRepn));
    EXPECT_TRUE(NFillPacked(rgb.get(), 0x123456) && NFillPacked(grey.get(), 0x123456));
    EXPECT_EQ(Plane(rgb.get(), 0)[1] * 65536 + Plane(rgb.get(), 1)[1] * 256 +
                  Plane(rgb.get(), 2)[1],
              0x123456);
    EXPECT_EQ(Plane(grey.get()), (Values{0x34, 0x34}));
    NImagePtr two(NCreateImage(2, 1, 1, NUByteRepn)), dib1 = MakeDib(1, 1, 2);
    EXPECT_FALSE(NFillPacked(two.get(), 0xFFFFFF));
    EXPECT_FALSE(NFillPacked(dib1.get(), 0xFFFFFF));
    EXPECT_EQ(Plane(two.get()), (Values{0}));
    EXPECT_EQ(Plane(dib1.get()), (Values{0, 1}));
}

TEST(ImageOpsCrop, WindowsReachingOutsideAreZeroFilled) {
    NImagePtr image = MakeImage(NUByteRepn, 1, 3, 3, {1, 2, 3, 4, 5, 6, 7, 8, 9});
    NImagePtr corner(NCropImage(image.get(), nullptr, -1, -2, -3, 4, 4));
    ASSERT_TRUE(corner);
    EXPECT_EQ(Plane(corner.get()), (Values{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 4}));
    NImagePtr past(NCropImage(image.get(), nullptr, 0, 1, 2, 3, 2));
    EXPECT_EQ(Plane(past.get()), (Values{6, 0, 9, 0, 0, 0}));
    // A given destination is cleared first; an interleaved source is read band by band.
    NImagePtr dib = MakeDib(3, 3, 4), dest(NCreateImage(3, 2, 2, NUByteRepn));
    NFillImage(dest.get(), -1, 77);
    ASSERT_EQ(NCropImage(dib.get(), dest.get(), -1, 2, 3, 2, 2), dest.get());
    EXPECT_EQ(Plane(dest.get(), 2), (Values{223, 0, 0, 0}));
    // Cropping into the source itself shifts it.
    NImagePtr real = MakeImage(NFloatRepn, 1, 2, 3, {1, 2, 3, 4, 5, 6});
    ASSERT_EQ(NCropImage(real.get(), real.get(), -1, 1, -1, 2, 3), real.get());
    EXPECT_EQ(Plane(real.get()), (Values{0, 4, 5, 0, 0, 0}));
}

TEST(ImageOpsCrop, RefusesBadArguments) {
    RecordingPrompts prompts;
    NImagePtr image(NCreateImage(3, 4, 4, NUByteRepn)), wrong(NCreateImage(3, 2, 2, NFloatRepn));
    EXPECT_EQ(NCropImage(image.get(), nullptr, -1, 0, 0, -1, 2), nullptr);
    EXPECT_EQ(NCropImage(image.get(), nullptr, 5, 0, 0, 2, 2), nullptr);
    EXPECT_EQ(NCropImage(image.get(), nullptr, -1, 0, 0, 0, 2), nullptr);
    EXPECT_EQ(NCropImage(image.get(), wrong.get(), -1, 0, 0, 2, 2), nullptr);
    EXPECT_EQ(prompts.Take(),
              WarningTexts({"NCropImage: Cropped dimensions are negative",
                            "NCropImage: Band 5 referenced in image of 3 band(s)",
                            "NCreateImage: Invalid number of rows: 0",
                            "NCropImage: Destination image has float pixels; ubyte expected"}));
}

TEST(ImageOpsCropMask, KeepsPixelsSetInBothWindowsAndRefusesOthers) {
    RecordingPrompts prompts;
    NImagePtr mask = MakeImage(NUByteRepn, 1, 3, 4, // 254 is not a set pixel
                               {255, 255, 0, 255, 255, 254, 255, 255, 0, 255, 255, 255});
    int count = -1;
    NImagePtr both(NCropMask(mask.get(), 0, 0, 1, 1, 2, 3, &count));
    ASSERT_TRUE(both);
    EXPECT_EQ(Plane(both.get()), (Values{0, 255, 0, 255, 0, 255}));
    EXPECT_EQ(count, 3);
    EXPECT_EQ(prompts.Count(), 0u);
    EXPECT_EQ(NCropMask(mask.get(), 0, 0, 0, 0, 2, -1, &count), nullptr);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(NCropMask(mask.get(), 0, 0, 1, 2, 3, 2, nullptr), nullptr);
    EXPECT_EQ(NCropMask(mask.get(), -1, 0, 0, 0, 1, 1, nullptr), nullptr);
    ASSERT_EQ(prompts.Count(), 3u);
    EXPECT_EQ(prompts.Boxes()[0].text, WarningText("NCropMask: Cropped dimensions are negative"));
    EXPECT_EQ(prompts.Boxes()[1].text,
              WarningText("NCropMask: Window at (1, 2) of 3x2 lies outside the mask (3x4)"));
}

TEST(ImageOpsConvert, ClampsIntoUbyteWithOneWarning) {
    RecordingPrompts prompts;
    NImagePtr real = MakeImage(NFloatRepn, 1, 1, 4, {300.7, -5, 12.9, 255});
    NImagePtr bytes(NConvertImageCopy(real.get(), nullptr, -1, NUByteRepn));
    ASSERT_TRUE(bytes);
    EXPECT_EQ(bytes->repn, NUByteRepn);
    EXPECT_EQ(Plane(bytes.get()), (Values{255, 0, 12, 255}));
    EXPECT_EQ(prompts.OnlyText(),
              WarningText("NConvertImageCopy: Source pixel value exceeds destination range"));
}

TEST(ImageOpsConvert, KeepsValuesAndSigns) {
    RecordingPrompts prompts;
    NImagePtr sbytes = MakeImage(NSByteRepn, 1, 1, 2, {-128, 127});
    EXPECT_EQ(Plane(NImagePtr(NConvertImageCopy(sbytes.get(), nullptr, -1, NShortRepn)).get()),
              (Values{-128, 127}));
    NImagePtr shorts = MakeImage(NShortRepn, 1, 1, 2, {-300, 1000}); // a pair outside the list
    EXPECT_EQ(Plane(NImagePtr(NConvertImageCopy(shorts.get(), nullptr, -1, NFloatRepn)).get()),
              (Values{-300, 1000}));
    NImagePtr precise = MakeImage(NDoubleRepn, 1, 1, 1, {0.1});
    EXPECT_EQ(Plane(NImagePtr(NConvertImageCopy(precise.get(), nullptr, -1, NFloatRepn)).get()),
              (Values{0.1f}));
    NImagePtr rgb = MakeTextureImage(3, 4, 4);
    NImagePtr band(NConvertImageCopy(rgb.get(), nullptr, 2, NDoubleRepn));
    EXPECT_EQ(band->nbands, 1);
    EXPECT_EQ(Plane(band.get()), Plane(rgb.get(), 2));
    EXPECT_EQ(NConvertImageCopy(rgb.get(), rgb.get(), -1, NUByteRepn), rgb.get());
    EXPECT_EQ(prompts.Count(), 0u);
}

TEST(ImageOpsConvert, RefusesBadBandsAndMismatchedDestinations) {
    RecordingPrompts prompts;
    NImagePtr image(NCreateImage(2, 2, 2, NUByteRepn)), one(NCreateImage(1, 2, 2, NFloatRepn));
    EXPECT_EQ(NConvertImageCopy(image.get(), nullptr, 2, NFloatRepn), nullptr);
    EXPECT_EQ(NConvertImageCopy(image.get(), one.get(), -1, NFloatRepn), nullptr);
    EXPECT_EQ(NConvertImageCopy(image.get(), image.get(), -1, NFloatRepn), nullptr);
    EXPECT_EQ(
        prompts.Take(),
        WarningTexts({"NConvertImageCopy: Band 2 referenced in image of 2 band(s)",
                      "NConvertImageCopy: Destination image has 1 bands; 2 expected",
                      "NConvertImageCopy: Destination image has ubyte pixels; float expected"}));
}

} // namespace
