// The mask window: one circle drawn with the mouse, and the 8-bit mask made from it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTest>

#include "image_viewer.h"
#include "mask_window.h"
#include "support/gui_test.h"

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
    const std::vector<RGBQUAD> palette = mask->ReadPalette();
    ASSERT_EQ(palette.size(), 256u);
    EXPECT_EQ(palette[77].rgbRed, 77);
    EXPECT_EQ(palette[77].rgbBlue, 77);
    // A circle over the left edge is cut at column 0.
    const auto edge = MakeCircleMask(50, 50, 5, 25, 20);
    EXPECT_EQ(edge->GetPixelIndex(0, 25), 255);
    EXPECT_EQ(edge->GetPixelIndex(25, 25), 255);
    EXPECT_EQ(edge->GetPixelIndex(26, 25), 0);
}

TEST(MaskWindow, CircleDrawnAtHalfZoomGivesThePictureMask) {
    auto picture = CImageImpl::Create(200, 160, 24, kImageTypeBmp);
    MaskWindow window(std::move(picture), std::nullopt);
    window.show();
    CImageViewer* viewer = window.Viewer();
    viewer->SetZoom(0.5f);
    QApplication::processEvents();
    const CanvasRect shown = viewer->DisplayRect();
    const QPoint origin(shown.left - viewer->ScrollX(), shown.top - viewer->ScrollY());
    QWidget* port = viewer->viewport();
    // Press at (50, 40) of the half-size picture, drag 30 to the right: picture circle
    // (100, 80) with radius 60.
    QTest::mousePress(port, Qt::LeftButton, {}, origin + QPoint(50, 40));
    QTest::mouseMove(port, origin + QPoint(65, 40));
    QTest::mouseRelease(port, Qt::LeftButton, {}, origin + QPoint(80, 40));
    ASSERT_TRUE(window.Circle());
    EXPECT_DOUBLE_EQ(window.Circle()->r, 30.0);
    const auto circle = window.PictureCircle();
    ASSERT_TRUE(circle);
    EXPECT_EQ(circle->cx, 100);
    EXPECT_EQ(circle->cy, 80);
    EXPECT_EQ(circle->r, 60);
    SaveScreenshot(&window, "mask_window");

    // At zoom 1 the same circle is twice as large on screen.
    viewer->SetZoom(1.0f);
    EXPECT_DOUBLE_EQ(window.Circle()->r, 60.0);
    window.findChild<QPushButton*>("id29000")->click();
    const auto mask = window.TakeMask();
    ASSERT_TRUE(mask);
    EXPECT_EQ(mask->GetPixelIndex(160, 80), 255);
    EXPECT_EQ(mask->GetPixelIndex(161, 80), 0);

    // A circle of an earlier use comes back at the current zoom.
    MaskWindow again(CImageImpl::Create(200, 160, 24, kImageTypeBmp), circle);
    again.Viewer()->SetZoom(0.25f);
    ASSERT_TRUE(again.Circle());
    EXPECT_DOUBLE_EQ(again.Circle()->r, 15.0);
}
