// The image viewer window on generated pictures: trimming with the mouse, zoom, bad input.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>

#include "image_impl.h"
#include "image_viewer.h"
#include "image_viewer_window.h"
#include "support/scripted_prompter.h"

namespace {

// Pixel (x, y) of the test picture: blue x mod 256, green y mod 256, red (x + 2 y) mod 256.
std::unique_ptr<CImageImpl> Pattern(int w, int h, const std::string& name = "pattern.bmp") {
    std::unique_ptr<CImageImpl> picture = CImageImpl::Create(w, h, 24, kImageTypeBmp);
    for (int y = 0; y < h; ++y) {
        BYTE* row = picture->GetRow(y);
        for (int x = 0; x < w; ++x) {
            row[3 * x] = static_cast<BYTE>(x);
            row[3 * x + 1] = static_cast<BYTE>(y);
            row[3 * x + 2] = static_cast<BYTE>(x + 2 * y);
        }
    }
    picture->SetFileName("/photos/" + name);
    return picture;
}

QPoint OnScreen(const CImageViewer* viewer, int viewX, int viewY) {
    return {viewX - viewer->horizontalScrollBar()->value(),
            viewY - viewer->verticalScrollBar()->value()};
}

} // namespace

TEST(ImageViewerWindow, DragTrimmingRectangleAndMakeTrimmedPicture) {
    ScriptedPrompter prompts;
    ImageViewerWindow window;
    window.resize(900, 700);
    ASSERT_TRUE(window.SetPicture(Pattern(400, 300), "Quiltwork"));
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    CImageViewer* viewer = window.Viewer();

    viewer->SetZoom(1.0f);
    TrimTarget target;
    viewer->SetTrimTarget(&target);
    int reportedW = 0, reportedH = 0;
    viewer->SetSizeCallback([&](int w, int h) { reportedW = w, reportedH = h; });
    viewer->SetTrimmingEnabled(true);
    const CanvasRect whole = viewer->DisplayRect();
    EXPECT_EQ(whole.right - whole.left, 400);
    // Drag the top-left corner 50 right and 40 down, then the bottom edge 30 up.
    QWidget* surface = viewer->viewport();
    QTest::mousePress(surface, Qt::LeftButton, {}, OnScreen(viewer, whole.left, whole.top));
    QTest::mouseMove(surface, OnScreen(viewer, whole.left + 30, whole.top + 20));
    QTest::mouseMove(surface, OnScreen(viewer, whole.left + 50, whole.top + 40));
    QTest::mouseRelease(surface, Qt::LeftButton, {},
                        OnScreen(viewer, whole.left + 50, whole.top + 40));
    const int midX = (whole.left + whole.right) / 2;
    QTest::mousePress(surface, Qt::LeftButton, {}, OnScreen(viewer, midX, whole.bottom - 2));
    QTest::mouseMove(surface, OnScreen(viewer, midX, whole.bottom - 32));
    QTest::mouseRelease(surface, Qt::LeftButton, {}, OnScreen(viewer, midX, whole.bottom - 32));
    EXPECT_EQ(reportedW, 350);
    EXPECT_EQ(reportedH, 230);

    // The frame follows the picture through a smaller window and a zoom out and in again.
    window.resize(700, 520);
    QTest::qWait(0);
    viewer->SetZoom(0.5f);
    viewer->SetZoom(1.0f);
    EXPECT_EQ(reportedW, 350);
    ASSERT_TRUE(viewer->MakeTrimmedPicture());
    ASSERT_TRUE(target.trimmed);
    const CImageImpl& trimmed = *target.trimmed;
    ASSERT_EQ(trimmed.GetWidth(), 350);
    ASSERT_EQ(trimmed.GetHeight(), 230);
    for (int y : {0, 117, 229})
        for (int x : {0, 200, 349}) {
            const BYTE* p = trimmed.GetRow(y) + 3 * x;
            EXPECT_EQ(p[0], static_cast<BYTE>(x + 50));
            EXPECT_EQ(p[1], static_cast<BYTE>(y + 40));
            EXPECT_EQ(p[2], static_cast<BYTE>(x + 50 + 2 * (y + 40)));
        }
    EXPECT_TRUE(prompts.Boxes().empty());
}

TEST(ImageViewerWindow, ZoomControlsAndLargeMagnification) {
    ScriptedPrompter prompts;
    ImageViewerWindow window;
    window.resize(900, 700);
    ASSERT_TRUE(window.SetPicture(Pattern(1200, 300), "Quiltwork"));
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    CImageViewer* viewer = window.Viewer();
    auto* zoomBox = window.findChild<QLineEdit*>("id1028");
    ASSERT_NE(zoomBox, nullptr);
    // Fitted (1200 pixels do not fit 900), then one step in on the 20 % grid.
    window.findChild<QWidget*>("id2171")->setFocus();
    QTest::mouseClick(window.findChild<QAbstractButton*>("id2171"), Qt::LeftButton);
    EXPECT_EQ(zoomBox->text().toStdString(), "80.0%");
    zoomBox->setText("300");
    emit zoomBox->editingFinished();
    EXPECT_FLOAT_EQ(viewer->GetZoom(), 3.0f);
    // At 300 % the view holds only what it shows (about 3 MB here): no scaled copy of the
    // picture (3600 x 900 pixels, near 10 MB).
    EXPECT_LT(viewer->ExtraBytes(), std::size_t{8} << 20);
    // A magnified pixel shows the picture pixel it covers.
    viewer->horizontalScrollBar()->setValue(0);
    viewer->verticalScrollBar()->setValue(0);
    const QImage shown = viewer->viewport()->grab().toImage();
    const QRgb pixel = shown.pixel(3 * 10 + 1, 3 * 20 + 1); // picture pixel (10, 20)
    EXPECT_EQ(qBlue(pixel), 10);
    EXPECT_EQ(qGreen(pixel), 20);
    EXPECT_EQ(qRed(pixel), 50);
}

TEST(ImageViewerWindow, BadInputLeavesEverythingAsItWas) {
    ScriptedPrompter prompts;
    ImageViewerWindow window;
    ASSERT_TRUE(window.SetPicture(Pattern(400, 300), "Quiltwork"));
    const QString title = window.windowTitle();

    // A file the picture layer cannot read (its readers' refusals are their own tests'), then
    // a picture too small (119 high; 120 passes below): one box each.
    prompts.Expect(kIdOk);
    EXPECT_FALSE(window.OpenFile("/nonexistent/missing.png", "Quiltwork"));
    prompts.Expect(kIdOk);
    EXPECT_FALSE(window.SetPicture(Pattern(400, 119), "Quiltwork"));
    EXPECT_EQ(prompts.Take().size(), 2u);
    EXPECT_EQ(window.windowTitle(), title);
    EXPECT_TRUE(window.SetPicture(Pattern(400, 120), "Quiltwork"));
}
