// Zoom rules of the picture views: steps on the 20 % grid, limits, fitting, reading the zoom
// box (its one-decimal display is a format string, not restated here).
#include <gtest/gtest.h>

#include "view_zoom.h"

TEST(ViewZoom, StepsOnTheGrid) {
    struct Case {
        float from, in, out;
    };
    const Case cases[] = {
        {0.47f, 0.6f, 0.4f}, {0.4f, 0.6f, 0.2f}, {0.2f, 0.4f, 0.1f},
        {0.1f, 0.2f, 0.1f},  {2.9f, 3.0f, 2.8f}, {3.0f, 3.0f, 2.8f},
        {1.0f, 1.2f, 0.8f},  {1.4f, 1.6f, 1.2f}, {0.05f, 0.2f, 0.1f},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(ZoomInStep(c.from), c.in, 1e-6) << "in from " << c.from;
        EXPECT_NEAR(ZoomOutStep(c.from), c.out, 1e-6) << "out from " << c.from;
    }
}

TEST(ViewZoom, FitCentreAndZoomBox) {
    // 1000 x 500 into 500 x 400: min(0.5, 0.8) = 0.5, with the margin 0.5 / 1.05.
    EXPECT_FLOAT_EQ(FitZoom(500, 400, 1000, 500, false), 0.5f);
    EXPECT_FLOAT_EQ(FitZoom(500, 400, 1000, 500, true), 0.5f / 1.05f);
    EXPECT_FLOAT_EQ(FitZoom(500, 400, 10, 10, false, 3.0f), 3.0f);
    EXPECT_EQ(FitZoom(500, 400, 0, 10, false), 0.0f);
    EXPECT_EQ(CentreOrigin(101, 0, 50), 25);  // 101 / 2 - 50 / 2
    EXPECT_EQ(CentreOrigin(100, 10, 60), 15); // 50 - 35
    EXPECT_EQ(CentreOrigin(100, 10, 210), -10);
    EXPECT_FLOAT_EQ(*ParseZoomPercent("150"), 1.5f);
    EXPECT_FLOAT_EQ(*ParseZoomPercent("87.5%"), 0.875f);
    EXPECT_LE(*ParseZoomPercent("0"), 0.0f);
    EXPECT_LE(*ParseZoomPercent("-20"), 0.0f);
    EXPECT_FALSE(ParseZoomPercent("abc").has_value());
}
