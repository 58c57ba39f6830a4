// The Image File View driven as a user would: browse a folder, collect pictures, switch to a
// step and back; start-up screen and remembered placement (the list's order and the End
// question are the input list's and the help window's tests).
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QListView>
#include <QListWidget>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <filesystem>

#include "file_list_model.h"
#include "file_view.h"
#include "folder_reader.h"
#include "image_browser.h"
#include "image_file_view.h"
#include "image_impl.h"
#include "main_app.h"
#include "settings_store.h"
#include "stitchkit/Host.h"
#include "support/browse_folder.h"
#include "support/scripted_prompter.h"

namespace {

void WritePicture(const QString& path, int w, int h, int type) {
    std::unique_ptr<CImageImpl> picture = CImageImpl::Create(w, h, 24, type);
    ASSERT_TRUE(picture);
    ASSERT_TRUE(picture->WriteFile(path.toStdString()));
}

class TestStep final : public StepWindow {
public:
    QDialog window;
    int prepared = 0;
    QWidget* Widget() override { return &window; }
    bool Prepare() override { return ++prepared > 0; }
};

} // namespace

TEST(ImageFileView, BrowseCollectAndSwitchSteps) {
    ScriptedPrompter prompts;
    QTemporaryDir dir;
    WritePicture(dir.filePath("b.jpg"), 640, 480, kImageTypeJpeg);
    WritePicture(dir.filePath("A.jpg"), 640, 480, kImageTypeJpeg);
    WritePicture(dir.filePath("c.bmp"), 640, 480, kImageTypeBmp);
    // Left out: a file the thumbnail maker refuses, a folder and a link to nowhere (which
    // files are pictures at all is the thumbnail test's).
    QFile(dir.filePath("empty.jpg")).open(QIODevice::WriteOnly);
    QDir(dir.path()).mkdir("folder.jpg");
    std::filesystem::create_symlink(dir.filePath("nowhere.jpg").toStdString(),
                                    dir.filePath("gone.jpg").toStdString());

    CMainApp app;
    ImageFileView& view = *app.CreateFileView();
    view.resize(1000, 760);
    view.show();
    EXPECT_EQ(Browse(view, dir.path()), (QStringList{"A.jpg", "b.jpg", "c.bmp"}));
    EXPECT_EQ(stitchkit::ProfileStore().GetString("ImageBrowser", "MostRecentDirectory", ""),
              dir.path().toStdString());

    // IN the first two entries, then ALL IN: the two again beep, the third comes in.
    CFileView* files = view.Browser()->Files();
    QListView* icons = files->IconView();
    icons->selectionModel()->select(files->Model()->index(0, 0), QItemSelectionModel::Select);
    icons->selectionModel()->select(files->Model()->index(1, 0), QItemSelectionModel::Select);
    QTest::mouseClick(view.Button(28014), Qt::LeftButton);
    EXPECT_EQ(view.SelectedList()->count(), 2);
    prompts.Expect(kIdYes);
    QTest::mouseClick(view.Button(2117), Qt::LeftButton);
    EXPECT_EQ(prompts.Beeps(), 2);
    EXPECT_EQ(prompts.Take().size(), 1u);
    EXPECT_EQ(view.SelectedList()->count(), 3);

    // A step window of the test opens after the question and the file checks; back again.
    auto* step = new TestStep;
    app.SetStepFactory(Step::AutoAlign,
                       [step](CMainApp&) { return std::unique_ptr<StepWindow>(step); });
    prompts.Expect(kIdOk);
    QTest::mouseClick(view.Button(2116), Qt::LeftButton);
    EXPECT_EQ(app.CurrentStep(), Step::AutoAlign);
    EXPECT_TRUE(step->window.isVisible());
    EXPECT_FALSE(view.isEnabled());
    app.BackToFileView();
    EXPECT_TRUE(view.isEnabled());
    EXPECT_FALSE(step->window.isVisible());

    // A file deleted behind the program's back blocks every step until it leaves the list.
    QFile::remove(dir.filePath("c.bmp"));
    prompts.Expect(kIdOk);
    prompts.Expect(kIdOk);
    QTest::mouseClick(view.Button(2116), Qt::LeftButton);
    EXPECT_EQ(app.CurrentStep(), Step::FileView);
    EXPECT_EQ(step->prepared, 1);
    view.SelectedList()->setCurrentRow(2);
    prompts.Expect(kIdOk);
    QTest::keyClick(view.SelectedList(), Qt::Key_Delete);
    EXPECT_EQ(view.SelectedList()->count(), 2);
    EXPECT_EQ(prompts.Pending(), 0u);
}

// Files the thumbnail maker refuses are left out of the list by the first test (the empty one);
// here only the change of folder.
TEST(ImageFileView, ChangingFolderMidRead) {
    ScriptedPrompter prompts;
    QTemporaryDir many, odd;
    for (int k = 0; k < 40; ++k)
        WritePicture(many.filePath(QStringLiteral("p%1.jpg").arg(k, 2, 10, QChar('0'))), 320, 240,
                     kImageTypeJpeg);
    WritePicture(odd.filePath("whole.jpg"), 320, 240, kImageTypeJpeg);

    CMainApp app;
    ImageFileView& view = *app.CreateFileView();
    view.show();
    CFileView* files = view.Browser()->Files();
    // Another folder while the first is read: nothing of the first remains.
    ASSERT_TRUE(view.Browser()->ChooseFolder(many.path()));
    EXPECT_TRUE(QTest::qWaitFor(
        [files] { return files->Model()->rowCount() > 0 || !files->Reader()->IsReading(); }));
    EXPECT_EQ(Browse(view, odd.path()), QStringList{"whole.jpg"});
    EXPECT_TRUE(prompts.Boxes().empty());
}

TEST(ImageFileView, PlacementIsRememberedAndEscapeEndsTheStartUp) {
    ScriptedPrompter prompts;
    stitchkit::SetProfileStore(std::make_shared<SettingsStore>());
    {
        CMainApp app;
        app.SetDefaultPlacement(1920, 1080); // a first run: a tenth from the corner
        EXPECT_EQ(app.Placement().x, 192);
        EXPECT_EQ(app.Placement().h, 864);
        ImageFileView& view = *app.CreateFileView();
        app.ShowAtPlacement(&view);
        app.RecordSize(&view, 0, 900, 700);
        app.RecordSize(&view, 1, 10, 10); // minimizing keeps the size (written below)
        EXPECT_EQ(app.Placement().show, 1);
        app.WritePlacement();
    }
    QSettings settings("Orvane", "Quiltwork");
    EXPECT_EQ(settings.value("General/WindowW").toInt(), 900);
    EXPECT_EQ(settings.value("General/WindowH").toInt(), 700);
    {
        settings.setValue("General/WindowX", -40); // off the screen's left: back to 0
        settings.sync();
        CMainApp app;
        app.ReadPlacement();
        EXPECT_EQ(app.Placement().x, 0);
        EXPECT_EQ(app.Placement().w, 900);

        QTimer::singleShot(50, [] {
            QWidget* splash = QApplication::activeModalWidget();
            ASSERT_NE(splash, nullptr);
            QTest::keyClick(splash, Qt::Key_Escape);
        });
        EXPECT_EQ(app.Run(), 0);
        EXPECT_EQ(app.FileView(), nullptr);
        EXPECT_EQ(prompts.Beeps(), 1);
    }
    stitchkit::SetProfileStore(nullptr);
}
