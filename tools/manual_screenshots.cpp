// The screenshots of the user manual (docs/manual/images), made by scripts/
// make_manual_screenshots.sh: the program's windows on a generated lakeside scene, each saved
// at full size by the screenshot helper and as a reduced JPEG into $QUILT_MANUAL_IMAGES.
// The scene is drawn here, so every picture in the manual is our own. The windows the manual
// does not picture are rendered too (full size only), so that a developer can look at every
// window of the program in <build>/screenshots/.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QListView>
#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>

#include <cmath>
#include <numbers>
#include <random>

#include "alignment_view.h"
#include "auto_alignment.h"
#include "button_icons.h"
#include "correction_window.h"
#include "feature_matching_view.h"
#include "help_desk.h"
#include "help_window.h"
#include "host_services.h"
#include "image_file_view.h"
#include "image_impl.h"
#include "image_viewer.h"
#include "image_viewer_window.h"
#include "input_correction.h"
#include "main_app.h"
#include "manual_alignment.h"
#include "manual_matching.h"
#include "mask_window.h"
#include "print_result.h"
#include "qt_progress_window.h"
#include "result_window.h"
#include "save_result.h"
#include "seam_alignment.h"
#include "splash_screen.h"
#include "step_windows.h"
#include "stitch_dialogs.h"
#include "stitch_driver.h"
#include "stitchkit/CProgressWnd.h"
#include "support/browse_folder.h"
#include "support/gui_test.h"
#include "support/scripted_prompter.h"
#include "vr_viewer_dialog.h"

namespace {

// The scene repeats every kTurn columns: the views go once round.
constexpr int kTurn = 3200;
constexpr int kViewWidth = 900;
constexpr int kViewHeight = 600;
constexpr int kViews = 5;
// The longest side of a picture in the manual.
constexpr int kManualWidth = 640;

double Wave(double x, std::initializer_list<std::pair<int, double>> terms, double phase) {
    double y = 0;
    for (const auto& [cycles, amplitude] : terms)
        y += amplitude * std::sin(2 * std::numbers::pi * cycles * x / kTurn + phase * cycles);
    return y;
}

// A lakeside under a summer sky, one full turn wide plus one view, so that every view is a
// plain cut of it (the last view continues into the first).
QImage LakesideScene() {
    const int width = kTurn + kViewWidth;
    QImage scene(width, kViewHeight, QImage::Format_RGB32);
    QPainter p(&scene);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 330);
    sky.setColorAt(0, QColor(62, 118, 190));
    sky.setColorAt(1, QColor(190, 214, 236));
    p.fillRect(scene.rect(), sky);
    std::mt19937 random(7);
    auto uniform = [&random](double a, double b) {
        return std::uniform_real_distribution<double>(a, b)(random);
    };
    // Clouds: soft white blobs, repeated one turn further on.
    for (int k = 0; k < 14; ++k) {
        const double x = uniform(0, kTurn), y = uniform(40, 200), r = uniform(40, 90);
        for (double shift : {0.0, double(kTurn)}) {
            for (int b = 0; b < 5; ++b) {
                const QPointF c(x + shift + b * r * 0.55, y + std::sin(b * 1.7) * r * 0.2);
                QRadialGradient g(c, r * 0.8);
                g.setColorAt(0, QColor(255, 255, 255, 220));
                g.setColorAt(1, QColor(255, 255, 255, 0));
                p.setPen(Qt::NoPen);
                p.setBrush(g);
                p.drawEllipse(c, r * 0.8, r * 0.55);
            }
        }
    }
    // Far mountains and near hills, periodic over one turn.
    auto ridge = [&](double base, std::initializer_list<std::pair<int, double>> terms, double phase,
                     QColor top, QColor bottom) {
        QPainterPath path(QPointF(0, kViewHeight));
        for (int x = 0; x <= width; x += 4) path.lineTo(x, base + Wave(x, terms, phase));
        path.lineTo(width, kViewHeight);
        QLinearGradient fill(0, base - 80, 0, 420);
        fill.setColorAt(0, top);
        fill.setColorAt(1, bottom);
        p.setPen(Qt::NoPen);
        p.setBrush(fill);
        p.drawPath(path);
    };
    ridge(250, {{3, 45}, {7, 22}, {17, 9}}, 0.4, QColor(112, 128, 158), QColor(150, 165, 185));
    ridge(330, {{2, 25}, {5, 18}, {11, 7}}, 1.3, QColor(86, 140, 70), QColor(60, 110, 52));
    // Trees and houses along the shore.
    for (int k = 0; k < 90; ++k) {
        const double x = uniform(0, kTurn);
        const double ground = 330 + Wave(x, {{2, 25}, {5, 18}, {11, 7}}, 1.3) + uniform(10, 50);
        const double h = uniform(30, 70);
        for (double shift : {0.0, double(kTurn)}) {
            p.setBrush(QColor(30 + k % 20, 80 + k % 30, 40));
            p.drawEllipse(QPointF(x + shift, ground - h / 2), h / 3.2, h / 2);
            p.setBrush(QColor(90, 60, 40));
            p.drawRect(QRectF(x + shift - 2, ground - 4, 4, 10));
        }
    }
    for (int k = 0; k < 9; ++k) {
        const double x = uniform(0, kTurn);
        const double ground = 370 + Wave(x, {{2, 25}, {5, 18}, {11, 7}}, 1.3) * 0.3;
        const QColor wall = QColor::fromHsv(int(uniform(0, 50)), 70, 235);
        for (double shift : {0.0, double(kTurn)}) {
            const QRectF body(x + shift, ground - 40, 60, 40);
            p.setBrush(wall);
            p.drawRect(body);
            p.setBrush(QColor(170, 60, 45));
            const QPointF roof[] = {{body.left() - 6, body.top()},
                                    {body.center().x(), body.top() - 26},
                                    {body.right() + 6, body.top()}};
            p.drawPolygon(roof, 3);
            p.setBrush(QColor(60, 80, 110));
            p.drawRect(QRectF(body.left() + 10, body.top() + 10, 12, 12));
            p.drawRect(QRectF(body.right() - 22, body.top() + 10, 12, 12));
        }
    }
    // The lake with the ripples of a breeze.
    QLinearGradient water(0, 420, 0, kViewHeight);
    water.setColorAt(0, QColor(70, 120, 160));
    water.setColorAt(1, QColor(30, 70, 110));
    p.fillRect(QRectF(0, 420, width, kViewHeight - 420), water);
    p.setPen(QPen(QColor(200, 220, 235, 120), 1.5));
    for (int k = 0; k < 260; ++k) {
        const double x = uniform(0, kTurn), y = uniform(425, kViewHeight), w = uniform(10, 40);
        for (double shift : {0.0, double(kTurn)})
            p.drawLine(QPointF(x + shift, y), QPointF(x + shift + w, y));
    }
    p.end();
    // Grain, as a camera has it (the same grain one turn further on).
    for (int y = 0; y < kViewHeight; ++y) {
        auto* row = reinterpret_cast<QRgb*>(scene.scanLine(y));
        for (int x = 0; x < kTurn; ++x) {
            const int n = int(random() % 13) - 6;
            auto channel = [n](int v) { return std::clamp(v + n, 0, 255); };
            const QRgb c = row[x];
            row[x] = qRgb(channel(qRed(c)), channel(qGreen(c)), channel(qBlue(c)));
            if (x < kViewWidth) row[x + kTurn] = row[x];
        }
    }
    return scene;
}

// Writes the views of the scene as camera files into `folder`; returns their paths.
QStringList WriteViews(const QString& folder) {
    const QImage scene = LakesideScene();
    QStringList paths;
    for (int k = 0; k < kViews; ++k) {
        const QString path = folder + QStringLiteral("/IMG_%1.jpg").arg(4101 + k);
        scene.copy(k * kTurn / kViews, 0, kViewWidth, kViewHeight).save(path, "JPG", 92);
        paths << path;
    }
    return paths;
}

// The helper's full-size screenshot, and the manual's reduced copy of it.
void Shot(QWidget* window, const char* name) {
    QCoreApplication::processEvents();
    const QString full =
        QString::fromStdString(SaveScreenshot(window, std::string("manual-") + name));
    const QByteArray folder = qgetenv("QUILT_MANUAL_IMAGES");
    if (folder.isEmpty()) return;
    QImage image(full);
    ASSERT_FALSE(image.isNull()) << full.toStdString();
    if (image.width() > kManualWidth)
        image = image.scaledToWidth(kManualWidth, Qt::SmoothTransformation);
    const QString path = QString::fromLocal8Bit(folder) + '/' + name + ".jpg";
    ASSERT_TRUE(image.convertToFormat(QImage::Format_RGB32).save(path, "JPG", 88))
        << path.toStdString();
}

} // namespace

TEST(ManualScreenshots, EveryWindowOfTheManual) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath("Pictures/Lakeside"));
    const QString folder = QDir(dir.filePath("Pictures/Lakeside")).canonicalPath();
    const QStringList paths = WriteViews(folder);

    ScriptedPrompter prompts;
    CMainApp app;
    ImageFileView& view = *app.CreateFileView();
    view.resize(900, 640);
    view.show();
    ASSERT_EQ(Browse(view, folder).size(), kViews);
    prompts.Expect(kIdYes);
    QTest::mouseClick(view.Button(2117), Qt::LeftButton); // ALL IN
    ASSERT_EQ(view.SelectedList()->count(), kViews);
    view.Browser()->Files()->IconView()->selectionModel()->select(
        view.Browser()->Files()->Model()->index(2, 0), QItemSelectionModel::Select);
    view.SelectedList()->setCurrentRow(2);
    Shot(&view, "file-view");

    {
        ImageViewerWindow viewer(&view);
        viewer.SetHelpAction([] {});
        viewer.resize(800, 560);
        ASSERT_TRUE(viewer.OpenFile(paths[1].toStdString(), app.Title()));
        viewer.show();
        viewer.Viewer()->Fit();
        Shot(&viewer, "image-viewer");
    }
    {
        std::unique_ptr<CImageImpl> picture = LoadCorrectedPicture(paths[2].toStdString(), {});
        ASSERT_TRUE(picture);
        CorrectionWindow shading(CorrectionWindow::Kind::Shading, picture->MakeThumbnail(400, 300),
                                 35, 1, &view);
        shading.resize(820, 440);
        shading.show();
        Shot(&shading, "shading-correction");
        MaskWindow mask(std::move(picture), MaskCircle{450, 300, 260}, &view);
        mask.resize(700, 560);
        mask.show();
        mask.Viewer()->Fit();
        Shot(&mask, "mask");
    }
    {
        StitchSettings settings;
        settings.focalLength = 35;
        StitchParameterDialog dialog(ParameterDialogKind::PlaneCylinder, settings, &view);
        dialog.show();
        Shot(&dialog, "stitch-settings");
    }

    app.Driver().SetDialogRunner([](ParameterDialogKind, StitchSettings& s) {
        s.method = kMethodCylinder;
        s.focalLength = 50;
        s.sizeIndex = 1;
        s.flag360 = false;
        return true;
    });
    app.SetResultWindowHook([&](ResultWindow& window) {
        window.SetPanoramaViewerAction([](QWidget*, CImageImpl&, const ResultInfo&) {});
        QTimer::singleShot(0, &window, [&] {
            window.resize(1000, 560);
            window.Viewer()->Fit();
            CImageViewer* v = window.Viewer();
            const float z = v->GetZoom();
            const int w = window.WholePicture()->GetWidth(), h = window.WholePicture()->GetHeight();
            v->SetTrimmingRectangle(
                {v->OriginX() + int(w * 0.02 * z), v->OriginY() + int(h * 0.08 * z),
                 v->OriginX() + int(w * 0.97 * z), v->OriginY() + int(h * 0.92 * z)});
            Shot(&window, "result-window");
            {
                VrViewerDialog vr(&window);
                vr.SetHelpAction([] {});
                vr.resize(800, 520);
                ResultInfo info;
                info.method = kMethodCylinder;
                info.focalLength = 50;
                info.sizeIndex = 1;
                info.referenceWidth = kViewWidth;
                info.referenceHeight = kViewHeight;
                vr.SetPicture(*window.ShownPicture(), info);
                vr.show();
                EXPECT_TRUE(QTest::qWaitForWindowExposed(&vr));
                QTest::qWait(200);
                Shot(&vr, "vr-viewer");
            }
            window.done(QDialog::Accepted);
        });
    });

    prompts.Expect(kIdOk);
    QTest::mouseClick(view.Button(2116), Qt::LeftButton); // Auto
    auto* automatic = dynamic_cast<AutoAlignmentWindow*>(app.StepWidget());
    ASSERT_TRUE(automatic);
    automatic->resize(900, 600);
    QTest::mouseClick(automatic->Button(28035), Qt::LeftButton);
    Shot(automatic, "automatic-alignment");
    prompts.Expect(kIdOk); // the size question
    QTest::mouseClick(automatic->Button(28013), Qt::LeftButton);

    // The seam of a full turn over the automatic placement: the last and the first view.
    {
        AlignmentHooks hooks = MakeAlignmentHooks(app);
        hooks.help = [] {};
        SeamAlignmentWindow seam(app.Document(), app.Panorama(), app.Title(), hooks, automatic);
        seam.resize(900, 520);
        ASSERT_TRUE(seam.Open());
        seam.show();
        seam.View()->Fit();
        Shot(&seam, "manual-alignment-360");
    }

    prompts.Expect(kIdOk);
    QTest::mouseClick(automatic->Button(28014), Qt::LeftButton); // back
    prompts.Expect(kIdOk);
    QTest::mouseClick(view.Button(28017), Qt::LeftButton); // Manual
    auto* manual = dynamic_cast<ManualAlignmentWindow*>(app.StepWidget());
    ASSERT_TRUE(manual);
    manual->resize(900, 600);
    QTest::mouseClick(manual->Button(2115), Qt::LeftButton); // the second pair
    QTest::mouseClick(manual->Button(2116), Qt::LeftButton); // Align
    QTest::mouseClick(manual->Button(2173), Qt::LeftButton);
    Shot(manual, "manual-alignment");

    prompts.Expect(kIdOk);
    QTest::mouseClick(manual->Button(28014), Qt::LeftButton);
    prompts.Expect(kIdOk);
    QTest::mouseClick(view.Button(2120), Qt::LeftButton); // Matching
    auto* matching = dynamic_cast<ManualMatchingWindow*>(app.StepWidget());
    ASSERT_TRUE(matching);
    matching->resize(960, 700);
    for (const auto& [x, y] : {std::pair{60, 120}, {140, 380}, {90, 520}, {250, 300}})
        matching->Pane(1)->AddAt(x, y);
    matching->Pane(0)->ScrollTo(560, 60);
    matching->Pane(1)->ScrollTo(0, 60);
    Shot(matching, "manual-matching");

    // The help window over the last window, on a page with a picture: the page is read from
    // the manual's folder, whose pictures were just made.
    QTest::mouseClick(FindToolButton(matching, 28015), Qt::LeftButton);
    HelpWindow* help = app.Help().Window();
    ASSERT_TRUE(help && help->isVisible());
    help->resize(760, 560);
    const QByteArray images = qgetenv("QUILT_MANUAL_IMAGES");
    help->Browser()->setSource(
        images.isEmpty()
            ? HelpWindow::PageUrl("automatic-alignment.html")
            : QUrl::fromLocalFile(QString::fromLocal8Bit(images) + "/../automatic-alignment.html"));
    Shot(help, "help-window");
    app.Help().Close();
    EXPECT_EQ(prompts.Pending(), 0u);
}

TEST(WindowScreenshots, TheWindowsTheManualDoesNotPicture) {
    QTemporaryDir dir;
    const QStringList paths = WriteViews(dir.path());
    std::unique_ptr<CImageImpl> picture = LoadCorrectedPicture(paths[0].toStdString(), {});
    ASSERT_TRUE(picture);
    CorrectionWindow lens(CorrectionWindow::Kind::Lens, picture->MakeThumbnail(400, 300), 30, 1);
    lens.resize(820, 440);
    lens.show();
    SaveScreenshot(&lens, "lens-correction");
    for (const auto& [kind, name] : {std::pair{ParameterDialogKind::Translation, "translation"},
                                     {ParameterDialogKind::LensAngle, "lens-angle"}}) {
        StitchParameterDialog dialog(kind, StitchSettings{});
        dialog.show();
        SaveScreenshot(&dialog, std::string("stitch-settings-") + name);
    }
    TiffSettingsDialog tiff;
    tiff.show();
    SaveScreenshot(&tiff, "tiff-settings");
    MarginsDialog margins(PrintMargins{});
    margins.show();
    SaveScreenshot(&margins, "print-margins");
    SplashScreen splash("Quiltwork");
    splash.show();
    SaveScreenshot(&splash, "splash-screen");

    InstallHostServices();
    CProgressWnd progress(nullptr, "Processing...");
    ASSERT_TRUE(progress.GoModal("Processing..."));
    progress.SetRange(0, 100);
    progress.SetText("Stitching: image %d and %d of %d images.", 1, 2, 3);
    progress.SetPos(40);
    progress.PeekAndPump();
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<ProgressDialog*>(w); d && d->isVisible())
            SaveScreenshot(d, "progress-window");
}
