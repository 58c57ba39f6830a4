// The stitch driver and its parameter dialogs: choices to method codes and settings, the size
// question, the seam step, a real engine run on generated views, and the Result window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
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
#include "support/gui_test.h"
#include "support/scripted_prompter.h"

namespace {

// View k of a pan: 400 x 300 pixels of the landscape starting at column 250 k.
std::unique_ptr<CImageImpl> View(int k) {
    return generated::View(250 * k, 0);
}

// A scene without features: a smooth ramp across 900 columns, a little steeper in red.
BYTE Ramp(int x, int y, int channel) {
    return static_cast<BYTE>(40 + x * (150 + 20 * channel) / 900 + y / 30);
}

// View k of a pan over the ramp, as View(k) over the landscape.
std::unique_ptr<CImageImpl> RampView(int k) {
    return generated::ViewOf(Ramp, 250 * k, 0);
}

// An application whose input list holds three views placed by their true offsets.
void LoadThreeViews(CMainApp& app, std::unique_ptr<CImageImpl> (*view)(int) = View) {
    app.Inputs().SetProbe([](const std::string&) {
        return ListedPicture{true, 400, 300, QImage(100, 75, QImage::Format_RGB32)};
    });
    CImageInfo::SetLoader([view](const std::string& path, const PictureCorrection&) {
        return view(path.back() - '0');
    });
    ASSERT_EQ(app.Inputs().AddFiles({"/v/0", "/v/1", "/v/2"}), 3);
    ASSERT_EQ(app.Inputs().BuildImageInfoList(app.Document()), 3);
    for (int k = 0; k < 3; ++k) app.Document().At(k)->MoveTo(250 * k, 0);
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
    const Case cases[] = {
        {ParameterDialogKind::PlaneCylinder, 28006, true, 35023, kMethodBigPlane, kBlendSteep,
         false},
        {ParameterDialogKind::PlaneCylinder, 28007, false, 35022, kMethodCylinder, kBlendGradual,
         false},
        {ParameterDialogKind::PlaneCylinder, 28007, true, 35024, kMethodCylinder360, kBlendNone,
         true},
        {ParameterDialogKind::Translation, 35002, false, 35026, kMethodTranslation, kBlendHalf,
         false},
        {ParameterDialogKind::Translation, 28027, false, 35025, kMethodRigid, kBlendGradual, false},
        {ParameterDialogKind::LensAngle, 35003, true, 0, kMethodTranslationStrip360, kBlendGradual,
         true},
        {ParameterDialogKind::LensAngle, 35008, false, 0, kMethodRigidStrip, kBlendGradual, false},
    };
    for (const ParameterDialogKind kind :
         {ParameterDialogKind::PlaneCylinder, ParameterDialogKind::Translation,
          ParameterDialogKind::LensAngle}) {
        StitchParameterDialog dialog(kind, StitchSettings{});
        dialog.show();
        SaveScreenshot(&dialog, "stitch_dialog_" + dialog.objectName().toStdString());
    }
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
        EXPECT_EQ(dialog.Result().sizeIndex, 2);
        if (c.kind == ParameterDialogKind::PlaneCylinder) {
            EXPECT_EQ(dialog.Result().Background(), (std::array<std::uint8_t, 3>{222, 222, 222}));
        }
    }
    // Written settings come back in the next dialog; an unknown colour name shows White.
    EXPECT_EQ(stitchkit::ProfileStore().GetInt("PanoramaSelected", "BlendLevelIndex", -1), 2);
    EXPECT_EQ(stitchkit::ProfileStore().GetInt("PanoramaRigid", "BlendLevelIndex", -1), 0);
    EXPECT_EQ(stitchkit::ProfileStore().GetString("PanoramaSelected", "Background Color", ""),
              "gray");
    stitchkit::ProfileStore().WriteString("PanoramaRigid", "Background Color", "Purple");
    StitchParameterDialog again(ParameterDialogKind::Translation, StitchSettings{});
    EXPECT_EQ(again.findChild<QComboBox*>("id35000")->currentText().toStdString(), "White");
    EXPECT_TRUE(again.findChild<QRadioButton*>("id28005")->isChecked());

    // A focal length outside 5 .. 300 mm keeps the dialog open.
    StitchParameterDialog focal(ParameterDialogKind::PlaneCylinder, StitchSettings{});
    focal.findChild<QLineEdit*>("id28002")->setText("301");
    prompts.Expect(kIdOk);
    focal.ChooseMethod(28007);
    EXPECT_NE(focal.result(), QDialog::Accepted);
    EXPECT_EQ(prompts.Take(),
              std::vector<std::string>{"Please enter an integer between 5 and 300."});
    focal.findChild<QLineEdit*>("id28002")->setText("24");
    focal.ChooseMethod(28007);
    EXPECT_EQ(focal.Result().focalLength, 24);
}

TEST(StitchDriver, RealStitchOfGeneratedViewsOpensTheResult) {
    ScriptedPrompter prompts;
    CMainApp app;
    LoadThreeViews(app);
    StitchDriver& driver = app.Driver();
    // The size question's Cancel shows the dialog again with the choices made before.
    std::vector<StitchSettings> shown;
    driver.SetDialogRunner([&](ParameterDialogKind, StitchSettings& s) {
        shown.push_back(s);
        s.method = kMethodTranslation;
        s.sizeIndex = 2;
        s.colourItem = 0;
        return true;
    });
    std::unique_ptr<CImageImpl> result;
    ResultInfo resultInfo;
    driver.SetResultShower([&](std::unique_ptr<CImageImpl> picture, const ResultInfo& info) {
        result = std::move(picture);
        resultInfo = info;
    });
    prompts.Expect(kIdCancel);
    prompts.Expect(kIdOk);
    ASSERT_TRUE(driver.Stitch(nullptr, 0, ParameterDialogKind::Translation));
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].method, kMethodTranslation);
    EXPECT_EQ(prompts.Take(),
              (std::vector<std::string>{
                  "With Large Size, the qality will be the best, but it will tak a long time.",
                  "With Large Size, the qality will be the best, but it will tak a long time."}));
    ASSERT_TRUE(result);
    // Three views of 400 shifted by 250: 900 x 300 (the canvas may keep a row and a column).
    EXPECT_NEAR(result->GetWidth(), 900, 2);
    EXPECT_NEAR(result->GetHeight(), 300, 2);
    EXPECT_EQ(resultInfo.method, kMethodTranslation);
    EXPECT_EQ(resultInfo.referenceWidth, 400);

    // Nothing to transfer: the error, no dialog, no result.
    app.Document().Clear();
    prompts.Expect(kIdOk);
    result.reset();
    EXPECT_FALSE(driver.Stitch(nullptr, 0, ParameterDialogKind::PlaneCylinder));
    EXPECT_EQ(prompts.Take(),
              std::vector<std::string>{"<Quiltwork>\xEF\xBC\x9ASelectPanoMethod ERROR !"});
    EXPECT_FALSE(result);
    CImageInfo::SetLoader({});
}

// With nothing to match between the views the planar mosaic joins them by their alignment
// alone (result 9): the information box comes first, then the Result window opens on the
// picture.
TEST(StitchDriver, TranslationFallbackInformsThenOpensTheResult) {
    ScriptedPrompter prompts;
    CMainApp app;
    LoadThreeViews(app, RampView);
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
    EXPECT_EQ(captionsBeforeWindow, (std::vector<std::string>{"Question", "Info."}));
    ASSERT_EQ(prompts.Boxes().size(), 2u);
    EXPECT_EQ(prompts.Boxes()[1].flags & kMbIconMask, kMbIconInformation);
    EXPECT_EQ(prompts.Take()[1].rfind("No feature correspondence was found", 0), 0u);
    // Three views of 400 shifted by 250 (the canvas may keep a row and a column); the middle
    // shows the ramp at column 450.
    EXPECT_NEAR(width, 900, 2);
    EXPECT_NEAR(height, 300, 2);
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(middle[c], Ramp(450, 150, c), 2) << c;
}

TEST(ResultWindow, SizeCheckTrimClipboardAndExit) {
    ScriptedPrompter prompts;
    ResultWindow refused;
    prompts.Expect(kIdOk);
    EXPECT_FALSE(refused.SetPicture(CImageImpl::Create(900, 119, 24, kImageTypeBmp), ResultInfo{}));
    EXPECT_EQ(prompts.Take(), std::vector<std::string>{"Image Viewer Error: Image Size is Wrong!"});

    ResultWindow window;
    window.resize(1000, 600);
    std::unique_ptr<CImageImpl> pano = CImageImpl::Create(900, 120, 24, kImageTypeBmp);
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 900; ++x) pano->GetRow(y)[3 * x + 1] = static_cast<BYTE>(x / 4);
    ASSERT_TRUE(window.SetPicture(std::move(pano), ResultInfo{}));
    EXPECT_EQ(window.windowTitle().toStdString(), "Quiltwork - Result - 900 by 120");
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
    EXPECT_EQ(h, 120);
    EXPECT_EQ(window.ShownPicture()->GetRow(5)[1], static_cast<BYTE>(first.left / 4));
    const QImage copied = QApplication::clipboard()->image();
    EXPECT_EQ(copied.width(), w);
    EXPECT_EQ(copied.height(), h);
    EXPECT_FALSE(window.Button(2121)->isEnabled());
    window.CancelTrimming();
    EXPECT_FALSE(window.IsTrimmed());
    EXPECT_EQ(window.ShownPicture(), window.WholePicture());
    window.Trim();
    EXPECT_EQ(window.ShownPicture()->GetWidth(), w);
    EXPECT_EQ(window.ShownPicture()->GetRow(5)[1], static_cast<BYTE>(first.left / 4));

    prompts.Expect(kIdNo);
    QTest::mouseClick(window.findChild<QPushButton*>("id28031"), Qt::LeftButton);
    EXPECT_TRUE(window.isVisible());
    prompts.Expect(kIdYes);
    QTest::mouseClick(window.findChild<QPushButton*>("id28031"), Qt::LeftButton);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(prompts.Take().front(), "Are you sure you want to exit Image Viewer?");
}
