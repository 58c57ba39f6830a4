// The trimming rectangle: handles, dragging kept inside the picture, picture-pixel sizes.
#include <gtest/gtest.h>

#include "trimming_frame.h"

TEST(TrimmingFrame, HandleHitTest) {
    const CanvasRect r{100, 100, 300, 200};
    struct Case {
        int x, y, mode, handle;
    };
    const Case cases[] = {
        {114, 100, 0, 1}, // 14 px from the top-left corner: the corner
        {115, 100, 0, 5}, // 15 px along the top edge: the edge
        {85, 100, 0, -1}, // 15 px left of the corner, off every edge: nothing
        {90, 90, 0, 1},   // 14.1 px diagonally
        {310, 95, 0, 2},
        {290, 205, 0, 3},
        {95, 210, 0, 4},
        {200, 112, 0, 5},
        {288, 150, 0, 6},
        {200, 190, 0, 7},
        {110, 150, 0, 8},
        {200, 150, 0, 0}, // inside
        {200, 60, 0, -1},
        // Only the top and bottom edges in mode 2.
        {100, 100, 2, 5},
        {200, 195, 2, 7},
        {295, 150, 2, -1},
        {200, 150, 2, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TrimmingFrame::HitTest(r, c.x, c.y, c.mode), c.handle)
            << "(" << c.x << ", " << c.y << ") mode " << c.mode;
}

TEST(TrimmingFrame, DragStaysInsideThePicture) {
    const CanvasRect picture{10, 20, 410, 320};
    TrimmingFrame frame;
    frame.Set({100, 100, 200, 150});
    // Moving the whole rectangle far right stops it at the picture's right edge, size kept.
    ASSERT_TRUE(frame.Press(150, 120, 0));
    frame.Drag(1150, 130, picture);
    frame.Release();
    EXPECT_EQ(frame.Rect().left, 310);
    EXPECT_EQ(frame.Rect().right, 410);
    EXPECT_EQ(frame.Rect().top, 110);
    // The left edge dragged past the picture stops on it; past the right edge it flips and the
    // release normalises the rectangle.
    ASSERT_TRUE(frame.Press(310, 130, 0));
    frame.Drag(-500, 130, picture);
    EXPECT_EQ(frame.Rect().left, 10);
    frame.Drag(500, 130, picture);
    frame.Release();
    EXPECT_EQ(frame.Rect().left, 410);
    EXPECT_EQ(frame.Rect().right, 410);
    EXPECT_FALSE(frame.Press(700, 700, 0));
}

TEST(TrimmingFrame, PicturePixels) {
    int w = 0, h = 0;
    PictureSize({0, 0, 5, 7}, 2.0f, &w, &h); // 2.5 and 3.5 round away from zero
    EXPECT_EQ(w, 3);
    EXPECT_EQ(h, 4);
    const CanvasRect p = ToPicturePixels({60, 45, 160, 95}, 10, 20, 0.5f);
    EXPECT_EQ(p.left, 100);
    EXPECT_EQ(p.top, 50);
    EXPECT_EQ(p.right, 300);
    EXPECT_EQ(p.bottom, 150);
}
