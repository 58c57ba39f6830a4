// The Image File View's Shade, Lens and Mask buttons: the correction windows over the selected
// picture, Apply All for the whole list, thumbnails, information line, placed pictures and the
// mask handed to the application.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <functional>

#include "correction_window.h"
#include "image_file_view.h"
#include "image_impl.h"
#include "image_viewer.h"
#include "main_app.h"
#include "mask_window.h"
#include "stitchkit/MFCLensCalib.h"
#include "support/scripted_prompter.h"

namespace {

void WriteFlat(const QString& path, int w, int h, BYTE value) {
    std::unique_ptr<CImageImpl> picture = CImageImpl::Create(w, h, 24, kImageTypeBmp);
    ASSERT_TRUE(picture);
    for (int y = 0; y < h; ++y) std::fill_n(picture->GetRow(y), 3 * w, value);
    ASSERT_TRUE(picture->WriteFile(path.toStdString()));
}

// Clicks `id` and, once a window of type W is open, runs `drive` on it; whether it opened.
template <class W> bool WithWindow(ImageFileView& view, int id, std::function<void(W&)> drive) {
    bool opened = false;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* window = qobject_cast<W*>(QApplication::activeModalWidget());
        if (!window) return;
        poll.stop();
        opened = true;
        drive(*window);
    });
    poll.start();
    view.Button(id)->click();
    return opened;
}

// Sets a correction window's slider to `value`, then presses `button` (Apply All or Cancel).
std::function<void(CorrectionWindow&)> Slide(int value, int button) {
    return [value, button](CorrectionWindow& window) {
        window.Slider()->setValue(value);
        QApplication::processEvents();
        window.Button(button)->click();
    };
}

} // namespace

TEST(CorrectionButtons, ShadeLensAndMaskApplyToTheWholeList) {
    ScriptedPrompter prompts;
    QTemporaryDir dir;
    WriteFlat(dir.filePath("a.bmp"), 400, 300, 60);
    WriteFlat(dir.filePath("b.bmp"), 400, 300, 60);
    CMainApp app;
    ImageFileView& view = *app.CreateFileView();
    view.AddFiles({dir.filePath("a.bmp"), dir.filePath("b.bmp")});
    InputImageList& inputs = app.Inputs();
    ASSERT_EQ(inputs.Count(), 2);

    // Shade at 100, Apply All: both thumbnails brighten towards the corners.
    ASSERT_TRUE(WithWindow<CorrectionWindow>(view, 2145, Slide(100, 2144)));
    EXPECT_EQ(inputs.Correction().shading, 100);
    for (int k = 0; k < 2; ++k) {
        const QImage thumb = inputs.Thumbnail(k);
        EXPECT_GT(qRed(thumb.pixel(0, 0)), 230) << k;
        EXPECT_LT(qRed(thumb.pixel(thumb.width() / 2, thumb.height() / 2)), 70) << k;
    }
    // Cancel changes nothing.
    ASSERT_TRUE(WithWindow<CorrectionWindow>(view, 2145, Slide(10, 28031)));
    EXPECT_EQ(inputs.Correction().shading, 100);

    // Lens at 50: the information line gives the engine's inner rectangle of 400 x 300.
    ASSERT_TRUE(WithWindow<CorrectionWindow>(view, 2146, Slide(50, 2144)));
    EXPECT_EQ(inputs.Correction().lens, 50);
    MFCLensCalib calib;
    const CSize inner = calib.CalcInnerRect(CSize{400, 300}, 0.5 * calib.CalcMaxKappa(400, 300));
    ASSERT_LT(inner.cx, 400);
    EXPECT_EQ(view.findChild<QLabel*>("id28011")->text(),
              QString("2 images,  %1 by %2").arg(inner.cx).arg(inner.cy));

    // The placed pictures are shaded and cut to the inner size (the second as the first).
    ASSERT_EQ(inputs.BuildImageInfoList(app.Document()), 2);
    const CImageImpl* placed = app.Document().At(1)->Picture();
    ASSERT_TRUE(placed);
    EXPECT_EQ(placed->GetWidth(), inner.cx);
    EXPECT_EQ(placed->GetHeight(), inner.cy);
    EXPECT_NEAR(placed->GetRow(inner.cy / 2)[3 * (inner.cx / 2)], 60, 1);
    EXPECT_GT(placed->GetRow(0)[0], 200);

    // The mask is drawn over the corrected picture, so it has the placed pictures' size. At
    // zoom 0.5, centre (100, 75) radius 50 on screen: picture (200, 150) radius 100.
    ASSERT_TRUE(WithWindow<MaskWindow>(view, 2147, [](MaskWindow& window) {
        CImageViewer* viewer = window.Viewer();
        viewer->SetZoom(0.5f);
        const CanvasRect shown = viewer->DisplayRect();
        const QPoint origin(shown.left - viewer->ScrollX(), shown.top - viewer->ScrollY());
        QTest::mousePress(viewer->viewport(), Qt::LeftButton, {}, origin + QPoint(100, 75));
        QTest::mouseRelease(viewer->viewport(), Qt::LeftButton, {}, origin + QPoint(150, 75));
        window.findChild<QPushButton*>("id29000")->click();
    }));
    CImageImpl* mask = app.Mask();
    ASSERT_TRUE(mask);
    EXPECT_EQ(mask->GetWidth(), inner.cx);
    EXPECT_EQ(mask->GetHeight(), inner.cy);
    EXPECT_EQ(mask->GetPixelIndex(300, 150), 255);
    EXPECT_EQ(mask->GetPixelIndex(301, 150), 0);
}
