// The stitch driver and its parameter dialogs: choices to method codes and settings, the
// fallback of a scene without features, and the Result window. (The size question and a real
// stitch of generated views are the alignment windows' tests.)
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <cmath>

#include "generated_views.h"
#include "image_impl.h"
#include "main_app.h"
#include "result_window.h"
#include "stitch_dialogs.h"
#include "stitch_driver.h"
#include "stitchkit/Host.h"
#include "support/scripted_prompter.h"

namespace {

// A scene without features: a smooth ramp across 900 columns, a little steeper in red.
BYTE Ramp(int x, int y, int channel) {
    return static_cast<BYTE>(40 + x * (150 + 20 * channel) / 900 + y / 30);
}

} // namespace

TEST(StitchDialogs, ChoicesBecomeCodesAndSettings) {
    ScriptedPrompter prompts;
    stitchkit::ProfileStore().WriteString("PanoramaSelected", "Background Color", "GRAY");
    struct Case {
        ParameterDialogKind kind;
        int button;
        bool check360;
        int blendRadio; // object id of the blending radio
        int method, blend;
        bool flag360;
    };
    // A row for each choice the dialogs decide on: the 360-degree box (ignored by the plane,
    // turning the cylinder and the strip into their 360-degree methods) and each dialog's
    // blending radios. (Which button gives which method otherwise is a plain switch.)
    const Case cases[] = {
        {ParameterDialogKind::PlaneCylinder, 28006, true, 35023, kMethodBigPlane, kBlendSteep,
         false},
        {ParameterDialogKind::PlaneCylinder, 28007, true, 35024, kMethodCylinder360, kBlendNone,
         true},
        {ParameterDialogKind::Translation, 35002, false, 35026, kMethodTranslation, kBlendHalf,
         false},
        {ParameterDialogKind::Translation, 28027, false, 35025, kMethodRigid, kBlendGradual, false},
        {ParameterDialogKind::LensAngle, 35003, true, 0, kMethodTranslationStrip360, kBlendGradual,
         true},
    };
    for (const Case& c : cases) {
        StitchParameterDialog dialog(c.kind, StitchSettings{});
        if (auto* box = dialog.findChild<QCheckBox*>(
                c.kind == ParameterDialogKind::LensAngle ? "id35012" : "id28040"))
            box->setChecked(c.check360);
        if (c.blendRadio)
            dialog.findChild<QRadioButton*>(QStringLiteral("id%1").arg(c.blendRadio))
                ->setChecked(true);
        dialog
            .findChild<QRadioButton*>(c.kind == ParameterDialogKind::LensAngle ? "id35011"
                                                                               : "id28005")
            ->setChecked(true);
        QTest::mouseClick(dialog.findChild<QToolButton*>(QStringLiteral("id%1").arg(c.button)),
                          Qt::LeftButton);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(dialog.Result().method, c.method) << c.button;
        EXPECT_EQ(dialog.Result().blend, c.blend) << c.button;
        EXPECT_EQ(dialog.Result().flag360, c.flag360) << c.button;
        if (c.kind == ParameterDialogKind::PlaneCylinder) {
            EXPECT_EQ(dialog.Result().Background(), (std::array<std::uint8_t, 3>{222, 222, 222}));
        }
    }
    // The choices are written for the next dialog, which shows them again.
    EXPECT_EQ(stitchkit::ProfileStore().GetInt("PanoramaSelected", "BlendLevelIndex", -1), 2);
    EXPECT_EQ(stitchkit::ProfileStore().GetInt("PanoramaRigid", "BlendLevelIndex", -1), 0);
    EXPECT_EQ(stitchkit::ProfileStore().GetString("PanoramaSelected", "Background Color", ""),
              "gray");
    StitchParameterDialog again(ParameterDialogKind::Translation, StitchSettings{});
    EXPECT_TRUE(again.findChild<QRadioButton*>("id28005")->isChecked());
}

// With nothing to match between the views the planar mosaic joins them by their alignment
// alone (result 9): the information box comes first, then the Result window opens on the
// picture.
TEST(StitchDriver, TranslationFallbackInformsThenOpensTheResult) {
    ScriptedPrompter prompts;
    CMainApp app;
    // Three views of a pan over the ramp, 250 columns apart, placed by their true offsets.
    app.Inputs().SetProbe([](const std::string&) {
        return ListedPicture{true, 400, 300, QImage(100, 75, QImage::Format_RGB32)};
    });
    CImageInfo::SetLoader([](const std::string& path, const PictureCorrection&) {
        return generated::ViewOf(Ramp, 250 * (path.back() - '0'), 0);
    });
    ASSERT_EQ(app.Inputs().AddFiles({"/v/0", "/v/1", "/v/2"}), 3);
    ASSERT_EQ(app.Inputs().BuildImageInfoList(app.Document()), 3);
    for (int k = 0; k < 3; ++k) app.Document().At(k)->MoveTo(250 * k, 0);
    app.Driver().SetDialogRunner([](ParameterDialogKind, StitchSettings& s) {
        s.method = kMethodBigPlane;
        s.flag360 = false;
        s.sizeIndex = 2;
        return true;
    });
    std::vector<std::string> captionsBeforeWindow;
    int width = 0, height = 0;
    BYTE middle[3] = {};
    app.SetResultWindowHook([&](ResultWindow& window) {
        for (const PromptRecord& box : prompts.Boxes()) captionsBeforeWindow.push_back(box.caption);
        QTimer::singleShot(0, &window, [&] {
            const CImageImpl* shown = window.WholePicture();
            width = shown->GetWidth();
            height = shown->GetHeight();
            std::copy_n(shown->GetRow(150) + 3 * 450, 3, middle);
            window.done(QDialog::Accepted);
        });
    });
    prompts.Expect(kIdOk);
    prompts.Expect(kIdOk);
    ASSERT_TRUE(app.Driver().Stitch(nullptr, 0, ParameterDialogKind::PlaneCylinder));
    CImageInfo::SetLoader({});
    // The size question and the information, both before the window (no box after it).
    EXPECT_EQ(captionsBeforeWindow, (std::vector<std::string>{"Question", "Info."}));
    EXPECT_EQ(prompts.Take().size(), 2u);
    // Three views of 400 shifted by 250 (the canvas may keep a row and a column); the middle
    // shows the ramp at column 450.
    EXPECT_NEAR(width, 900, 2);
    EXPECT_NEAR(height, 300, 2);
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(middle[c], Ramp(450, 150, c), 2) << c;
}

// (The size rule the Result window shares with the image viewer is the viewer's test.)
TEST(ResultWindow, TrimClipboardAndExit) {
    ScriptedPrompter prompts;
    ResultWindow window;
    window.resize(1000, 600);
    ASSERT_TRUE(window.SetPicture(CImageImpl::Create(900, 120, 24, kImageTypeBmp), ResultInfo{}));
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    CImageViewer* viewer = window.Viewer();
    const CanvasRect whole = viewer->DisplayRect();
    const float z = viewer->GetZoom();
    viewer->SetTrimmingRectangle({whole.left + static_cast<int>(std::lround(100 * z)), whole.top,
                                  whole.left + static_cast<int>(std::lround(500 * z)),
                                  whole.bottom});
    const CanvasRect first = viewer->TrimmingRectangleInPicture();
    window.Trim();
    ASSERT_TRUE(window.IsTrimmed());
    const int w = window.ShownPicture()->GetWidth(), h = window.ShownPicture()->GetHeight();
    EXPECT_EQ(w, first.right - first.left);
    EXPECT_EQ(h, 120); // (which pixels a trim takes is the image viewer's test)
    const QImage copied = QApplication::clipboard()->image();
    EXPECT_EQ(copied.width(), w);
    EXPECT_EQ(copied.height(), h);
    window.CancelTrimming();
    EXPECT_FALSE(window.IsTrimmed());
    EXPECT_EQ(window.ShownPicture(), window.WholePicture());

    prompts.Expect(kIdNo);
    QTest::mouseClick(window.findChild<QPushButton*>("id28031"), Qt::LeftButton);
    EXPECT_TRUE(window.isVisible());
    prompts.Expect(kIdYes);
    QTest::mouseClick(window.findChild<QPushButton*>("id28031"), Qt::LeftButton);
    EXPECT_FALSE(window.isVisible());
}
