// The Shading Correction and Lens Distortion Correction windows.
#include <gtest/gtest.h>

#include <cstring>

#include <QApplication>
#include <QLineEdit>
#include <QSlider>
#include <QTest>
#include <QToolButton>

#include "correction_window.h"
#include "image_impl.h"

namespace {

// A 24-bit picture with every sample `value`.
std::unique_ptr<CImageImpl> Flat(int width, int height, BYTE value) {
    std::unique_ptr<CImageImpl> picture = CImageImpl::Create(width, height, 24, kImageTypeBmp);
    for (int y = 0; picture && y < height; ++y) std::memset(picture->GetRow(y), value, 3 * width);
    return picture;
}

} // namespace

TEST(CorrectionWindow, ShadingSliderRecomputesTheAfterPreviewFoldingMoves) {
    CorrectionWindow window(CorrectionWindow::Kind::Shading, Flat(101, 101, 10), 0, 0);
    // Level 0: the after-preview is the picture itself.
    EXPECT_EQ(window.After().pixel(0, 0), window.Before().pixel(0, 0));

    // Three moves before the event loop runs give one computation, of the last value.
    const int before = window.Computations();
    window.Slider()->setValue(20);
    window.Slider()->setValue(60);
    window.Slider()->setValue(100);
    QApplication::processEvents();
    EXPECT_EQ(window.Computations(), before + 1);
    EXPECT_EQ(window.Value(), 100);
    // Level 100 on a flat 10: the corner 10 + 255 clipped (the curve is the corrector's test).
    EXPECT_EQ(qBlue(window.After().pixel(0, 0)), 255);

    // A typed number is applied with Enter.
    window.NumberBox()->setText("42");
    QTest::keyClick(window.NumberBox(), Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(window.Slider()->value(), 42);
    // 42 x 2.55 = 107.1 -> 107 at a corner: the preview is made at 42.
    EXPECT_EQ(qBlue(window.After().pixel(100, 0)), 117);

    // The model buttons recompute and are remembered (Apply All and Cancel are driven by the
    // Image File View's tests).
    const int computed = window.Computations();
    window.Button(1011)->click();
    QApplication::processEvents();
    EXPECT_EQ(window.Model(), 1);
    EXPECT_EQ(window.Computations(), computed + 1);
}

TEST(CorrectionWindow, LensSliderEndsAreTheLargestKappa) {
    CorrectionWindow window(CorrectionWindow::Kind::Lens, Flat(640, 480, 90), 0, 1);
    QSlider* slider = window.Slider();
    // 640 x 480: x = 319.5, X = 1.5 x, Y = 1.5 x 239.5; kappa = (X - x) / ((X^2 + Y^2) X)
    // = 9.2918e-7.
    EXPECT_NEAR(window.LargestKappa(), 9.29175e-7, 1e-11);
    // The slider's share of the largest kappa, sign included (one product for both ends).
    slider->setValue(100);
    QApplication::processEvents();
    EXPECT_DOUBLE_EQ(window.Kappa(), window.LargestKappa());
    // The corrected preview has black where the stretched picture leaves the frame.
    EXPECT_NE(window.After(), window.Before());
}
