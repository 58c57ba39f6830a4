// quiltapp's command line, as a desktop's "Open With" and scripts/run.sh use it: a folder is
// shown in the browser, picture files go into the input list.
#include <gtest/gtest.h>

#include <QApplication>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "file_view.h"
#include "image_browser.h"
#include "image_file_view.h"
#include "image_impl.h"
#include "main_app.h"
#include "settings_store.h"
#include "support/gui_test.h"
#include "support/scripted_prompter.h"

namespace {

void WritePicture(const QString& path) {
    std::unique_ptr<CImageImpl> picture = CImageImpl::Create(320, 240, 24, kImageTypeJpeg);
    ASSERT_TRUE(picture);
    ASSERT_TRUE(picture->WriteFile(path.toStdString()));
}

} // namespace

TEST(CommandLine, FolderIsBrowsedAndFilesAreCollected) {
    ScriptedPrompter prompts;
    QTemporaryDir folder;
    QTemporaryDir other;
    WritePicture(folder.filePath("shown.jpg"));
    WritePicture(other.filePath("one.jpg"));
    WritePicture(other.filePath("two.jpg"));

    CMainApp app;
    QString browsed;
    QStringList collected;
    // Once the Image File View is up (the start-up screen double-clicked away), read what it
    // shows and end.
    QTimer poll;
    poll.setInterval(50);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != nullptr && modal->objectName() == "id4073") // the start-up screen
            QTest::mouseDClick(modal, Qt::LeftButton);
        ImageFileView* view = app.FileView();
        if (view == nullptr || !view->isVisible()) return;
        poll.stop();
        browsed = view->Browser()->Files()->Directory();
        for (int row = 0; row < view->SelectedList()->count(); ++row)
            collected << view->SelectedList()->item(row)->text();
        app.Exit();
    });
    poll.start();
    // Two folders: the first is shown; the files keep their order.
    EXPECT_EQ(app.Run({other.filePath("two.jpg"), folder.path(), other.path(),
                       other.filePath("one.jpg")}),
              0);
    EXPECT_EQ(browsed, folder.path());
    ASSERT_EQ(collected.size(), 2);
    EXPECT_TRUE(collected[0].endsWith("two.jpg")) << collected[0].toStdString();
    EXPECT_TRUE(collected[1].endsWith("one.jpg")) << collected[1].toStdString();
}
