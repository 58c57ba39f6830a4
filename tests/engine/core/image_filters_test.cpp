#include <gtest/gtest.h>

#include <cmath>

#include "core/image_ops.h"
#include "engine/core/pixel_values.h"
#include "support/recording_prompts.h"
#include "support/test_images.h"

namespace {

NImagePtr Floats(int nbands, int nrows, int ncolumns, const Values& values) {
    return MakeImage(NFloatRepn, nbands, nrows, ncolumns, values);
}

// The value a x row + b x column + 10 x band in every pixel.
NImagePtr Ramp(int nbands, int nrows, int ncolumns, double a, double b) {
    NImagePtr image(NCreateImage(nbands, nrows, ncolumns, NFloatRepn));
    for (int k = 0; k < nbands; ++k)
        for (int r = 0; r < nrows; ++r)
            for (int c = 0; c < ncolumns; ++c)
                NSetPixel(image.get(), k, r, c, a * r + b * c + 10 * k);
    return image;
}

TEST(ImageFiltersConvolve, BorderRulesInEachDimension) {
    // Source 1 2 3 4 5 under the mask 1 2 3, a correlation: s[j-1] + 2 s[j] + 3 s[j+1].
    const std::pair<NConvolvePad, Values> cases[] = {
        {NPadZero, {0, 14, 20, 26, 0}},   // a tap outside gives 0
        {NPadNone, {8, 14, 20, 26, 14}},  // 2x1 + 3x2 | 1x4 + 2x5
        {NPadClamp, {9, 14, 20, 26, 29}}, // 1 + 2 + 6 | 4 + 10 + 15
        {NPadWrap, {13, 14, 20, 26, 17}}, // 5 + 2 + 6 | 4 + 10 + 3
        {NPadTrim, {14, 20, 26}},         // only where the mask fits
    };
    // Along columns, along rows, across bands.
    const int shapes[3][3] = {{1, 1, 5}, {1, 5, 1}, {5, 1, 1}};
    const int mask_shapes[3][3] = {{1, 1, 3}, {1, 3, 1}, {3, 1, 1}};
    for (int d = 0; d < 3; ++d) {
        NImagePtr src = Floats(shapes[d][0], shapes[d][1], shapes[d][2], {1, 2, 3, 4, 5});
        NImagePtr mask = Floats(mask_shapes[d][0], mask_shapes[d][1], mask_shapes[d][2], {1, 2, 3});
        for (const auto& [pad, expected] : cases) {
            NImagePtr out(NConvolveImage(src.get(), nullptr, -1, mask.get(), pad, 0));
            ASSERT_TRUE(out);
            EXPECT_EQ(out->repn, NFloatRepn);
            Values got;
            for (int b = 0; b < out->nbands; ++b)
                for (double v : Plane(out.get(), b)) got.push_back(v);
            EXPECT_EQ(got, expected) << "dimension " << d << " rule " << pad;
        }
    }
    // A single band: the mask's band dimension is centred on it (3 + 8 + 15).
    NImagePtr deep = Floats(5, 1, 1, {1, 2, 3, 4, 5}), mask = Floats(3, 1, 1, {1, 2, 3});
    NImagePtr one(NConvolveImage(deep.get(), nullptr, 3, mask.get(), NPadTrim, 0));
    EXPECT_EQ(Plane(one.get()), (Values{26}));
}

TEST(ImageFiltersConvolve, MaskPlacementShiftAndKinds) {
    RecordingPrompts prompts;
    // A 3 x 3 mask whose only 1 is at (0, 2) reads src(i - 1, j + 1), clamped.
    NImagePtr src = Floats(1, 3, 3, {1, 2, 3, 4, 5, 6, 7, 8, 9});
    NImagePtr corner = Floats(1, 3, 3, {0, 0, 1, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(
        Plane(NImagePtr(NConvolveImage(src.get(), nullptr, -1, corner.get(), NPadClamp, 0)).get()),
        (Values{2, 3, 3, 2, 3, 3, 5, 6, 6}));
    NImagePtr ones = Floats(1, 3, 3, {1, 1, 1, 1, 1, 1, 1, 1, 1}); // shift 2 divides 45 by 4
    EXPECT_EQ(
        Plane(NImagePtr(NConvolveImage(src.get(), nullptr, -1, ones.get(), NPadTrim, 2)).get()),
        (Values{11.25}));
    // An even mask is centred on its second tap: s[j-1] + 10 s[j].
    NImagePtr row = Floats(1, 1, 3, {1, 2, 3}), pair = Floats(1, 1, 2, {1, 10});
    EXPECT_EQ(
        Plane(NImagePtr(NConvolveImage(row.get(), nullptr, -1, pair.get(), NPadClamp, 0)).get()),
        (Values{11, 21, 32}));
    // A ubyte source with a float mask gives floats; the result never replaces the source.
    NImagePtr bytes = MakeImage(NUByteRepn, 1, 1, 3, {1, 2, 3});
    NImagePtr sum = Floats(1, 1, 3, {1, 1, 1});
    NImagePtr out(NConvolveImage(bytes.get(), bytes.get(), -1, sum.get(), NPadNone, 0));
    ASSERT_TRUE(out);
    EXPECT_NE(out.get(), bytes.get());
    EXPECT_EQ(Plane(out.get()), (Values{3, 6, 5}));
    EXPECT_EQ(Plane(bytes.get()), (Values{1, 2, 3}));
    EXPECT_EQ(prompts.Count(), 0u);
    NImagePtr byte_mask = MakeImage(NUByteRepn, 1, 1, 3, {1, 1, 1});
    EXPECT_EQ(NConvolveImage(bytes.get(), nullptr, -1, byte_mask.get(), NPadNone, 0), nullptr);
    EXPECT_EQ(prompts.OnlyText(), ErrorText("NLongRepn is NOT supported"));
}

TEST(ImageFiltersConvolve, RefusesBadArguments) {
    RecordingPrompts prompts;
    NImagePtr src = Floats(1, 1, 5, {1, 2, 3, 4, 5}), wide = Floats(1, 1, 7, Values(7, 1.0));
    NImagePtr deep = Floats(3, 1, 1, {1, 1, 1}), dest(NCreateImage(1, 1, 4, NFloatRepn));
    EXPECT_EQ(NConvolveImage(src.get(), nullptr, -1, wide.get(), NPadTrim, 0), nullptr);
    EXPECT_EQ(NConvolveImage(src.get(), nullptr, 1, wide.get(), NPadClamp, 0), nullptr);
    EXPECT_EQ(NConvolveImage(src.get(), nullptr, 0, deep.get(), NPadTrim, 0), nullptr);
    EXPECT_EQ(NConvolveImage(src.get(), dest.get(), -1, wide.get(), NPadNone, 0), nullptr);
    EXPECT_EQ(prompts.Take(),
              WarningTexts({"NConvolveImage: Image (1x5) is smaller than mask (1x7)",
                            "NConvolveImage: Band 1 referenced in image of 1 band(s)",
                            "NConvolveImage: Band -1 referenced in image of 1 band(s)",
                            "NConvolveImage: Destination image has 4 columns; 5 expected"}));
}

TEST(ImageFiltersSeparable, RowThenColumnPass) {
    RecordingPrompts prompts;
    NImagePtr texture = MakeTextureImage(1, 9, 11, 4);
    NImagePtr src(NConvertImageCopy(texture.get(), nullptr, -1, NFloatRepn));
    NImagePtr row_mask = Floats(1, 1, 3, {0.25, 0.5, 0.25}),
              column_mask = Floats(1, 3, 1, {-1, 0, 1});
    NImagePtr outer = Floats(1, 3, 3, {-0.25, -0.5, -0.25, 0, 0, 0, 0.25, 0.5, 0.25});
    NImagePtr sep(NConvolveSep(src.get(), nullptr, -1, row_mask.get(), column_mask.get(), NPadClamp,
                               NPadClamp, 0, 0));
    NImagePtr direct(NConvolveImage(src.get(), nullptr, -1, outer.get(), NPadClamp, 0));
    ASSERT_TRUE(sep && direct);
    // The same nine products summed in a different order: float rounding only.
    const Values a = Plane(sep.get()), b = Plane(direct.get());
    for (std::size_t i = 0; i < a.size(); ++i) EXPECT_NEAR(a[i], b[i], 1e-3);
    // With one mask there is one pass, with its own rule and shift; the band applies to it.
    NImagePtr two = Floats(2, 1, 3, {1, 2, 3, 10, 20, 30}), sum = Floats(1, 1, 3, {1, 1, 1});
    NImagePtr rows(
        NConvolveSep(two.get(), nullptr, 1, sum.get(), nullptr, NPadNone, NPadZero, 1, 5));
    EXPECT_EQ(Plane(rows.get()), (Values{15, 30, 25}));
    EXPECT_EQ(prompts.Count(), 0u);
    EXPECT_EQ(NConvolveSep(two.get(), nullptr, -1, nullptr, nullptr, NPadNone, NPadNone, 0, 0),
              nullptr);
    EXPECT_EQ(prompts.OnlyText(), WarningText("NConvolveSep: No mask specified"));
}

// The response to a unit impulse is the outer product of the normalised taps; tap t sits at
// offset t - size / 2, so it moves the impulse to centre - (t - size / 2).
void ExpectImpulseResponse(int size, const Values& taps) {
    const int centre = 5;
    NImagePtr impulse(NCreateImage(1, 11, 11, NFloatRepn));
    NSetPixel(impulse.get(), 0, centre, centre, 1.0);
    NImagePtr smooth(NSmoothGaussian(impulse.get(), size, 0));
    ASSERT_TRUE(smooth);
    double sum = 0;
    for (double w : taps) sum += w;
    for (int i = 0; i < size; ++i)
        for (int j = 0; j < size; ++j)
            EXPECT_NEAR(NGetPixel(smooth.get(), 0, centre - i + size / 2, centre - j + size / 2),
                        taps[i] / sum * taps[j] / sum, 1e-6)
                << "size " << size << " taps " << i << "," << j;
}

TEST(ImageFiltersGaussian, TapWeightsFollowSigma) {
    ExpectImpulseResponse(5, {std::exp(-2.0), std::exp(-0.5), 1, std::exp(-0.5), std::exp(-2.0)});
    ExpectImpulseResponse(3, {std::exp(-2.0), 1, std::exp(-2.0)}); // sigma 0.5
    ExpectImpulseResponse(4, {std::exp(-1.125), std::exp(-0.125), std::exp(-0.125),
                              std::exp(-1.125)}); // sigma 1, taps 1.5 and 0.5 from the centre
    // Clamped edges and normalised taps keep a constant band constant, converted to float.
    NImagePtr flat(NCreateImage(3, 7, 9, NUByteRepn));
    NFillImage(flat.get(), -1, 100);
    NImagePtr smooth(NSmoothGaussian(flat.get(), 13, 2));
    ASSERT_TRUE(smooth);
    EXPECT_EQ(smooth->repn, NFloatRepn);
    for (double v : Plane(smooth.get())) EXPECT_NEAR(v, 100.0, 1e-3);
    RecordingPrompts prompts;
    EXPECT_EQ(NSmoothGaussian(flat.get(), 5, 3), nullptr);
    EXPECT_EQ(prompts.OnlyText(),
              WarningText("NSmoothGaussian: Band 3 referenced in image of 3 band(s)"));
}

TEST(ImageFiltersGradient, RampHasOneSlopeEverywhere) {
    RecordingPrompts prompts;
    NImagePtr grad(NImageGradient3(Ramp(1, 5, 6, 3.0, 2.0).get()));
    ASSERT_TRUE(grad);
    EXPECT_EQ(grad->nbands, 2);
    EXPECT_EQ(Plane(grad.get(), 0), Values(30, 2.0));
    EXPECT_EQ(Plane(grad.get(), 1), Values(30, 3.0));
    EXPECT_EQ(prompts.Count(), 0u);
    // Two frames give two gradient pairs; only the first source band's borders are filled.
    NImagePtr pairs(NImageGradient3(Ramp(2, 4, 4, 1.0, 1.0).get()));
    EXPECT_EQ(pairs->nframes * 100 + pairs->nviewpoints * 10 + pairs->ncolors, 211);
    EXPECT_EQ(pairs->ncomponents, 2);
    EXPECT_EQ(NGetBandInterp(pairs.get(), NComponentInterpAttr), NBandInterpGradient);
    EXPECT_EQ(Plane(pairs.get(), 2), (Values{0, 0, 0, 0, 0, 1, 1, 0, 0, 1, 1, 0, 0, 0, 0, 0}));
}

TEST(ImageFiltersGradient, WiderKernelsLeaveTheirBorderAtZero) {
    const double pick[5] = {1, 0, 0, 0, 0}; // the sample two before the centre
    NImagePtr grad(NImageGradientXY(Ramp(1, 6, 7, 10.0, 1.0).get(), nullptr, -1, 5, pick));
    ASSERT_TRUE(grad);
    for (int r = 0; r < 6; ++r)
        for (int c = 0; c < 7; ++c) {
            const bool inside = r >= 2 && r <= 3 && c >= 2 && c <= 4;
            EXPECT_EQ(NGetPixel(grad.get(), 0, r, c), inside ? 10.0 * r + c - 2 : 0.0);
            EXPECT_EQ(NGetPixel(grad.get(), 1, r, c), inside ? 10.0 * (r - 2) + c : 0.0);
        }
}

TEST(ImageFiltersGradient, ConvertsOtherKindsAndRefusesBadArguments) {
    RecordingPrompts prompts;
    NImagePtr bytes = MakeImage(NUByteRepn, 1, 3, 4, {0, 2, 4, 6, 0, 2, 4, 6, 0, 2, 4, 6});
    NImagePtr grad(NImageGradient3(bytes.get()));
    ASSERT_TRUE(grad);
    EXPECT_EQ(Plane(grad.get(), 0), Values(12, 2.0));
    EXPECT_EQ(prompts.Take(), WarningTexts({"NImageGradientXY: Source image must have float pixels",
                                            "\t Converting..."}));
    prompts.Clear();
    const double kernel[4] = {-1, 0, 0, 1};
    NImagePtr ramp = Ramp(1, 5, 5, 1, 1), colour = Ramp(3, 4, 4, 1, 1);
    NSetBandInterp(colour.get(), NBandInterpNone, 1, NBandInterpNone, 1, NBandInterpRGB, 3,
                   NBandInterpNone, 1);
    NImagePtr dest(NCreateImage(2, 5, 5, NUByteRepn));
    EXPECT_EQ(NImageGradientXY(ramp.get(), nullptr, -1, 4, kernel), nullptr);
    EXPECT_EQ(NImageGradient3(Ramp(1, 2, 5, 1, 1).get()), nullptr);
    EXPECT_EQ(NImageGradient3(colour.get()), nullptr);
    EXPECT_EQ(NImageGradientXY(ramp.get(), dest.get(), -1, 3, kernel), nullptr);
    EXPECT_EQ(
        prompts.Take(),
        WarningTexts({"NImageGradientXY: Invalid kernel size (4)",
                      "NImageGradientXY: Source image too small for kernel",
                      "NImageGradientXY: Source image must be motion sequence",
                      "NImageGradientXY: Destination image has ubyte pixels; float expected"}));
}

} // namespace
