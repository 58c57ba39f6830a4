// The viewer drawn in a real OpenGL context (under Xvfb with Mesa when there is no display):
// a panorama of nine colour bands, read back with grabFramebuffer(). The tests skip where no
// context can be made; a context that fails on purpose must leave a usable dialog.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <numbers>

#include "image_impl.h"
#include "prompter.h"
#include "support/scripted_prompter.h"
#include "vr_viewer_dialog.h"

namespace {

// Mesa's software driver and its LLVM stay loaded to the end of the run, so that the few
// blocks they keep until the process ends are named by LeakSanitizer (and suppressed in
// gl_leaks.supp) instead of showing as unknown code once the driver is unloaded.
[[maybe_unused]] const bool kMesaKeptLoaded = [] {
    for (const char* name :
         {"libGLX_mesa.so.0", "/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so", "libLLVM-15.so.1"})
        dlopen(name, RTLD_NOW | RTLD_NODELETE);
    return true;
}();

constexpr double kDeg = std::numbers::pi / 180.0;
constexpr int kBands = 9, kBandWidth = 200, kWidth = kBands * kBandWidth, kHeight = 400;
// Saturated and far apart, so that filtering at band edges cannot make one look like another.
const QColor kBandColours[kBands] = {Qt::red,     Qt::green,     Qt::blue,
                                     Qt::cyan,    Qt::magenta,   Qt::yellow,
                                     Qt::darkRed, Qt::darkGreen, Qt::darkBlue};

// Nine vertical bands; the top quarter of every band is white, so up and down can be told.
std::unique_ptr<CImageImpl> BandPicture() {
    auto picture = CImageImpl::Create(kWidth, kHeight, 24, kImageTypeBmp);
    for (int y = 0; y < kHeight; ++y) {
        BYTE* row = picture->GetRow(y);
        for (int x = 0; x < kWidth; ++x) {
            const QColor c = y < kHeight / 4 ? QColor(Qt::white) : kBandColours[x / kBandWidth];
            row[3 * x] = static_cast<BYTE>(c.blue());
            row[3 * x + 1] = static_cast<BYTE>(c.green());
            row[3 * x + 2] = static_cast<BYTE>(c.red());
        }
    }
    return picture;
}

bool Near(QColor a, QColor b) {
    return std::abs(a.red() - b.red()) <= 12 && std::abs(a.green() - b.green()) <= 12 &&
           std::abs(a.blue() - b.blue()) <= 12;
}

// The viewer on the band picture, shown. 180 degrees over 1800 px: 20 degrees a band, and a
// vfov of 2 atan(180 x 400 pi / (1800 x 360)) = 38.5 degrees.
struct Viewer {
    ScriptedPrompter prompts;
    std::unique_ptr<CImageImpl> picture = BandPicture();
    VrViewerDialog dialog;
    COpenGLView* view = dialog.View();

    explicit Viewer(const QSurfaceFormat& format = COpenGLView::RequestedFormat())
        : dialog(nullptr, format) {
        dialog.resize(900, 600);
        dialog.SetPicture(*picture, {180.0, PanoramaVfov(180.0, kWidth, kHeight)}, true);
        dialog.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    }

    // Where a direction (degrees right of and above the middle of the view) lands in the frame.
    QColor At(const QImage& frame, double right, double up) const {
        const double fovy = view->Controller().Fovy();
        const double aspect = double(frame.width()) / frame.height();
        const double tanX = std::tan(fovy / 2.0 * kDeg) * aspect,
                     tanY = std::tan(fovy / 2.0 * kDeg);
        const int x = static_cast<int>(frame.width() / 2.0 * (1.0 + std::tan(right * kDeg) / tanX));
        const int y = static_cast<int>(frame.height() / 2.0 * (1.0 - std::tan(up * kDeg) / tanY));
        return frame.pixelColor(std::clamp(x, 0, frame.width() - 1),
                                std::clamp(y, 0, frame.height() - 1));
    }
};

#define SKIP_WITHOUT_GL()                                                                          \
    Viewer viewer;                                                                                 \
    if (viewer.view->Failed())                                                                     \
    GTEST_SKIP() << "no OpenGL context here: " << viewer.view->LastError().toStdString()

} // namespace

TEST(VrView, FirstFrameTheRightWayRoundAndThePartialPanoramasEdge) {
    SKIP_WITHOUT_GL();
    COpenGLView* view = viewer.view;
    const QImage first = view->grabFramebuffer();
    ASSERT_FALSE(first.isNull());
    // The middle band (4) in the middle; band 5 (10..30 degrees right) to the right, band 3
    // to the left; the white top quarter (above atan(100 / 573) = 9.9 degrees) above.
    EXPECT_TRUE(Near(viewer.At(first, 0, -5), kBandColours[4]));
    EXPECT_TRUE(Near(viewer.At(first, 20, -5), kBandColours[5]));
    EXPECT_TRUE(Near(viewer.At(first, -20, -5), kBandColours[3]));
    EXPECT_TRUE(Near(viewer.At(first, 0, 13), Qt::white));

    // The partial panorama stops with its edge on the view's edge.
    const VrController& c = view->Controller();
    const QPoint middle(view->width() / 2, view->height() / 2);
    // Half the view's width sideways (and a little down): full speed, yaw only.
    QTest::mousePress(view, Qt::LeftButton, {}, middle);
    QTest::mouseMove(view, middle + QPoint(view->width() / 2, 6));
    const double fovy = 0.8 * PanoramaVfov(180.0, kWidth, kHeight);
    const double halfWidth =
        std::atan(double(view->width()) / view->height() * std::tan(fovy / 2.0 * kDeg)) / kDeg;
    QTRY_VERIFY_WITH_TIMEOUT(std::abs(c.Angle(VrController::kYaw) - (90.0 - halfWidth)) < 1e-9,
                             5000);
    QTest::mouseRelease(view, Qt::LeftButton, {}, middle + QPoint(view->width() / 2, 6));

    // The last band fills the last 20 degrees of the view, up to its right edge (the edge
    // pixel itself is filtered with the texture's background beside the picture).
    const QImage frame = view->grabFramebuffer();
    EXPECT_TRUE(Near(viewer.At(frame, halfWidth - 0.25, -5), kBandColours[8])); // < 1 texel
    EXPECT_TRUE(Near(viewer.At(frame, halfWidth - 19, -5), kBandColours[8]));
    EXPECT_TRUE(Near(viewer.At(frame, halfWidth - 21, -5), kBandColours[7]));
}

TEST(VrView, ContextThatCannotBeMadeLeavesAUsableDialog) {
    QSurfaceFormat impossible = COpenGLView::RequestedFormat();
    impossible.setRenderableType(QSurfaceFormat::OpenVG); // no OpenGL context is of this kind
    Viewer viewer(impossible);
    QTRY_VERIFY_WITH_TIMEOUT(viewer.view->Failed(), 2000);
    auto* reason = viewer.dialog.findChild<QLabel*>();
    ASSERT_NE(reason, nullptr);
    EXPECT_TRUE(reason->isVisible());

    // The buttons still work: Cancel asks before going back.
    viewer.prompts.Expect(kIdYes);
    viewer.dialog.findChild<QPushButton*>("id28031")->click();
    EXPECT_FALSE(viewer.dialog.isVisible());
}
