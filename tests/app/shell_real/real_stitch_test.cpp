// The program end to end on real photographs: browse, ALL IN, Automatic Alignment, Stitch as a
// cylinder, the Result window, Save as JPEG; the panorama has the size quiltstitch gives for
// the same pictures and settings. (The alignment and matching windows' steps are checked on
// generated views of known offsets.)
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QListWidget>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "auto_alignment.h"
#include "image_file_view.h"
#include "image_impl.h"
#include "main_app.h"
#include "result_window.h"
#include "stitch_driver.h"
#include "support/browse_folder.h"
#include "support/scripted_prompter.h"

TEST(RealPhotographs, AutoAlignmentStitchAndSaveAsQuiltstitchDoes) {
    const QString folder =
        QDir(QStringLiteral(QUILT_SHARED_DATA "/real/opencv_weir")).canonicalPath();
    if (!QDir(folder).exists()) GTEST_SKIP() << "no photographs beside the checkout";
    ScriptedPrompter prompts;
    CMainApp app;
    ImageFileView& view = *app.CreateFileView();
    view.show();
    ASSERT_EQ(Browse(view, folder).size(), 4); // three views of the weir and a smaller picture
    prompts.Expect(kIdYes);
    prompts.Expect(kIdNo); // not the picture of another size
    QTest::mouseClick(view.Button(2117), Qt::LeftButton);
    ASSERT_EQ(view.SelectedList()->count(), 3);
    prompts.Take();

    // The parameter dialog's choice: a cylinder of 35 mm at the medium size.
    app.Driver().SetDialogRunner([](ParameterDialogKind, StitchSettings& s) {
        s.method = kMethodCylinder;
        s.focalLength = 35;
        s.sizeIndex = 1;
        return true;
    });
    QTemporaryDir dir;
    const QString saved = dir.filePath("weir.jpg");
    app.SetResultWindowHook([&](ResultWindow& window) {
        QTimer::singleShot(0, &window, [&] {
            // The save dialog is answered by a timer of its own while it runs.
            QTimer::singleShot(0, [&] {
                auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
                ASSERT_TRUE(dialog);
                dialog->selectFile(saved);
                QMetaObject::invokeMethod(dialog, "accept");
            });
            window.Save();
            window.done(QDialog::Accepted);
        });
    });

    prompts.Expect(kIdOk);
    QTest::mouseClick(view.Button(2116), Qt::LeftButton);
    auto* automatic = dynamic_cast<AutoAlignmentWindow*>(app.StepWidget());
    ASSERT_TRUE(automatic);
    prompts.Expect(kIdOk); // the size question
    QTest::mouseClick(automatic->Button(28013), Qt::LeftButton);
    EXPECT_EQ(prompts.Pending(), 0u);
    std::unique_ptr<CImageImpl> mine = CImageImpl::Open(saved.toStdString(), kImageTypeJpeg);
    ASSERT_TRUE(mine && mine->IsValid()) << saved.toStdString();

    QStringList arguments;
    for (const std::string& path : app.Inputs().Paths()) arguments << QString::fromStdString(path);
    const QString theirs = dir.filePath("cli.jpg");
    arguments << "-m"
              << "cylinder"
              << "-f"
              << "35"
              << "--size"
              << "medium"
              << "--keep-canvas"
              << "-q"
              << "-o" << theirs;
    QProcess cli;
    cli.start(QStringLiteral(QUILTSTITCH), arguments);
    ASSERT_TRUE(cli.waitForFinished(120000));
    ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
    std::unique_ptr<CImageImpl> reference = CImageImpl::Open(theirs.toStdString(), kImageTypeJpeg);
    ASSERT_TRUE(reference && reference->IsValid());
    EXPECT_EQ(mine->GetWidth(), reference->GetWidth());
    EXPECT_EQ(mine->GetHeight(), reference->GetHeight());
}
