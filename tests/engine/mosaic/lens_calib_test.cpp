#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "stitchkit/MFCLensCalib.h"
#include "support/recording_prompts.h"
#include "support/test_images.h"

namespace {

// A 24-bit picture whose byte `byte` (0 blue, 1 green, 2 red) at (row, column) is f(...).
TestDib Picture(int width, int height, const std::function<int(int, int, int)>& f) {
    TestDib dib(width, height, 24);
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c)
            for (int b = 0; b < 3; ++b) dib.At(r, c, b) = static_cast<unsigned char>(f(r, c, b));
    return dib;
}

// Runs one correction and reads what it delivered; fails the test unless it was done.
DeliveredPicture Correct(MFCLensCalib& calib, TestDib& in, double kappa) {
    CBmpAdapter input = in.Adapter(), out;
    calib.SetImage(&input);
    EXPECT_EQ(calib.Execute(&out, kappa), 1);
    calib.SetImage(nullptr);
    return DeliveredPicture(out);
}

} // namespace

TEST(LensCalib, MaxKappa) {
    MFCLensCalib calib;
    // 101 x 81: x = 50, X = 75, Y = 60; |(50 - 75) / ((75^2 + 60^2) 75)| = 25 / 691875.
    EXPECT_DOUBLE_EQ(calib.CalcMaxKappa(101, 81), 1.0 / 27675.0);
    // One row: Y = 0, 25 / 75^3.
    EXPECT_DOUBLE_EQ(calib.CalcMaxKappa(101, 1), 1.0 / 16875.0);
    // No half width to move a point onto: no correction.
    for (const auto& [w, h] : {std::pair{1, 81}, std::pair{1, 1}, std::pair{0, 81},
                               std::pair{-5, 81}, std::pair{101, 0}, std::pair{101, -3}})
        EXPECT_EQ(calib.CalcMaxKappa(w, h), 0.0) << w << "x" << h;
}

// For a small kappa the inversion's first estimate q (1 - kappa |q|^2) is already within
// half a pixel, so the mapped points are hand-computable.
TEST(LensCalib, InnerRect) {
    MFCLensCalib calib;
    // Corners (-50, -40) and (51, 41), |q|^2 = 4100 and 4282: with kappa 1e-5 they move to
    // (-47.95, -38.36) and (48.816, 39.244): 48 + 47 - 2 by 39 + 38 - 2.
    EXPECT_EQ(calib.CalcInnerRect(CSize{101, 81}, 1e-5), (CSize{93, 75}));
    // kappa < 0 maps the edge midpoints: -50 -> -51.25, -40 -> -40.64, 51 -> 52.327,
    // 41 -> 41.689: 52 + 51 - 2 by 41 + 40 - 2.
    EXPECT_EQ(calib.CalcInnerRect(CSize{101, 81}, -1e-5), (CSize{101, 79}));
    // Far beyond any lens the inversion diverges; the result stops at 1.5 times the size.
    EXPECT_EQ(calib.CalcInnerRect(CSize{101, 81}, -0.01), (CSize{151, 121}));
    EXPECT_EQ(calib.CalcInnerRect(CSize{101, 81}, std::nan("")), (CSize{0, 0}));
    EXPECT_EQ(calib.CalcInnerRect(CSize{0, 81}, 0.0), (CSize{0, 0}));
}

// Every output pixel samples where the model sends it: checked on a picture whose red is
// twice the column and whose green is three times the row, for all rectangle types. With kappa
// 0 the model is the identity and the inner rectangle is the picture less a pixel a side; the
// last row and column lie beyond the sampling limit (rows - 2, columns - 2): background.
TEST(LensCalib, RectanglesAndScaledMapping) {
    TestDib in = Picture(101, 81, [](int r, int c, int b) { return b == 2 ? 2 * c : b * 3 * r; });
    struct Case {
        MFCLensCalib::OutputRectType type;
        double kappa;
        int width, height;
    };
    // kappa -1e-5 moves the corners (-50, -40) and (51, 41) to (-52.05, -41.64) and
    // (53.184, 42.756): 105 x 84; the midpoints (see InnerRect) less 2: 102 x 80. kappa 1e-5
    // moves the midpoints to -48.75, -39.36, 49.673, 40.311: 98 x 80.
    for (const Case& k : {Case{MFCLensCalib::OutputRectInner, 0.0, 99, 79},
                          Case{MFCLensCalib::OutputRectScaled, 0.0, 101, 81},
                          Case{MFCLensCalib::OutputRectOuter, -1e-5, 105, 84},
                          Case{MFCLensCalib::OutputRectScaled, -1e-5, 105, 84},
                          Case{MFCLensCalib::OutputRectInner, -1e-5, 102, 80},
                          Case{MFCLensCalib::OutputRectOuter, 1e-5, 98, 80},
                          Case{MFCLensCalib::OutputRectNone, 1e-5, 101, 81}}) {
        SCOPED_TRACE(testing::Message() << "type " << k.type << " kappa " << k.kappa);
        MFCLensCalib calib;
        calib.SetOutputRectType(k.type);
        calib.SetBackColor(DWORD{0x00FF00FF}); // red 255, green 0, blue 255
        const DeliveredPicture out = Correct(calib, in, k.kappa);
        ASSERT_EQ(out.width, k.width);
        ASSERT_EQ(out.height, k.height);
        const bool scaled = k.type == MFCLensCalib::OutputRectScaled;
        const double sx = scaled ? k.width / 101.0 : 1.0, sy = scaled ? k.height / 81.0 : 1.0;
        int sampled = 0;
        for (int i = 0; i < k.height; ++i) {
            for (int j = 0; j < k.width; ++j) {
                const double x = (j - k.width / 2) * sx, y = (i - k.height / 2) * sy;
                const double f = 1 + k.kappa * (x * x + y * y);
                const double column = x * f + 50, row = y * f + 40;
                const bool inside = column >= 0 && column <= 99 && row >= 0 && row <= 79;
                const auto near = [](double v, double limit) {
                    return std::fabs(v - limit) < 1e-6;
                };
                if (near(column, 0) || near(column, 99) || near(row, 0) || near(row, 79))
                    continue; // on a sampling limit: either side is right
                if (!inside) {
                    ASSERT_EQ(out.At(i, j, 0), 255) << i << "," << j;
                    ASSERT_EQ(out.At(i, j, 1), 0) << i << "," << j;
                    ASSERT_EQ(out.At(i, j, 2), 255) << i << "," << j;
                    continue;
                }
                ++sampled;
                ASSERT_NEAR(out.At(i, j, 0), std::floor(2 * column), 1) << i << "," << j;
                ASSERT_NEAR(out.At(i, j, 1), std::floor(3 * row), 1) << i << "," << j;
            }
        }
        EXPECT_GT(sampled, 101 * 81 / 2);
    }
}

TEST(LensCalib, OneBandPicturesGetTheGreenOfTheBackground) {
    // A grey picture stays one band; its background is the colour's green.
    MFCLensCalib calib;
    calib.SetBackColor(BYTE{200}, BYTE{77}, BYTE{9});
    calib.SetOutputRectType(MFCLensCalib::OutputRectOuter);
    TestDib grey(9, 7, 8);
    grey.SetGreyRamp();
    for (int r = 0; r < 7; ++r)
        for (int c = 0; c < 9; ++c) grey.At(r, c) = static_cast<unsigned char>(10 * r + c);
    const DeliveredPicture out = Correct(calib, grey, 0.0);
    ASSERT_EQ(out.bits, 8);
    for (int r = 0; r < 7; ++r)
        for (int c = 0; c < 9; ++c)
            EXPECT_EQ(out.At(r, c), r == 6 || c == 8 ? 77 : 10 * r + c) << r << "," << c;
}

TEST(LensCalib, NothingDoneLeavesTheOutputUntouched) {
    RecordingPrompts prompts;
    TestDib in = TextureView(30, 40, 0, 0, ViewKind::Rgb24),
            tiny = TextureView(2, 2, 0, 0, ViewKind::Rgb24);
    CBmpAdapter input = in.Adapter(), tinyInput = tiny.Adapter();
    BITMAPINFOHEADER header{};
    unsigned char data[4] = {};
    // True when Execute (by kappa, or by percent when kappa is 0) does nothing and leaves the
    // out adapter as it was.
    const auto untouched = [&](CBmpAdapter* image, MFCLensCalib::OutputRectType type,
                               double kappa) {
        MFCLensCalib calib;
        calib.SetImage(image);
        calib.SetOutputRectType(type);
        CBmpAdapter out(&header, data);
        const int done = kappa == 0.0 ? calib.Execute(&out, 50) : calib.Execute(&out, kappa);
        return done == 0 && out.GetHeader() == &header && out.GetData() == data;
    };
    const auto none = MFCLensCalib::OutputRectNone;
    EXPECT_TRUE(untouched(&input, none, std::numeric_limits<double>::infinity()));
    EXPECT_TRUE(untouched(&input, none, std::nan("")));
    // kappa -0.01 puts the outer rectangle of a 40 x 30 picture thousands of pixels wide.
    EXPECT_TRUE(untouched(&input, MFCLensCalib::OutputRectOuter, -1e-2));
    // The inner rectangle of a 2 x 2 picture is empty.
    EXPECT_TRUE(untouched(&tinyInput, MFCLensCalib::OutputRectInner, 0.0));
    EXPECT_EQ(prompts.Count(), 0u);
}
