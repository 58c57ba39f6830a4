// The mask window: the 8-bit circle mask, and a circle at the viewer's zoom.
#include <gtest/gtest.h>

#include "image_viewer.h"
#include "mask_window.h"

TEST(MaskWindow, CircleMaskRows) {
    // Centre (100, 80), r = 60. Row 80: h = 60, columns 40 .. 160. Row 21: d = 3600 - 59^2 = 119,
    // h = 11, columns 89 .. 111. Rows 20 and 140: d = 0, nothing.
    const auto mask = MakeCircleMask(200, 160, 100, 80, 60);
    ASSERT_TRUE(mask);
    EXPECT_EQ(mask->GetBitsPerPixel(), 8);
    struct Case {
        int x, y, value;
    };
    for (const Case c :
         {Case{100, 80, 255}, Case{160, 80, 255}, Case{161, 80, 0}, Case{40, 80, 255},
          Case{39, 80, 0}, Case{111, 21, 255}, Case{112, 21, 0}, Case{89, 21, 255}, Case{88, 21, 0},
          Case{100, 20, 0}, Case{100, 140, 0}, Case{100, 139, 255}, Case{0, 0, 0}})
        EXPECT_EQ(mask->GetPixelIndex(c.x, c.y), c.value) << c.x << "," << c.y;
    // A circle over the left edge is cut at column 0.
    const auto edge = MakeCircleMask(50, 50, 5, 25, 20);
    EXPECT_EQ(edge->GetPixelIndex(0, 25), 255);
    EXPECT_EQ(edge->GetPixelIndex(25, 25), 255);
    EXPECT_EQ(edge->GetPixelIndex(26, 25), 0);
}

TEST(MaskWindow, ACircleOfAnEarlierUseFollowsTheZoom) {
    // The circle is kept in picture pixels and shown at the viewer's zoom. (Drawing one with the
    // mouse at half zoom and making the mask with OK is the Image File View's mask test.)
    MaskWindow window(CImageImpl::Create(200, 160, 24, kImageTypeBmp), MaskCircle{100, 80, 60});
    window.Viewer()->SetZoom(0.5f);
    ASSERT_TRUE(window.Circle());
    EXPECT_DOUBLE_EQ(window.Circle()->r, 30.0);
    window.Viewer()->SetZoom(0.25f);
    EXPECT_DOUBLE_EQ(window.Circle()->r, 15.0);
}
