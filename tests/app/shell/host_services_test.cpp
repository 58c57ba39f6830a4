// The program's host services: one prompter behind every box, the Qt message box and the
// progress window. (The settings store is read back through QSettings by the placement test of
// the Image File View.)
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "host_services.h"
#include "picture_prompt.h"
#include "qt_progress_window.h"
#include "qt_prompter.h"
#include "stitchkit/CProgressWnd.h"
#include "stitchkit/Host.h"
#include "support/scripted_prompter.h"

TEST(HostServices, EveryBoxReachesTheOnePrompter) {
    ScriptedPrompter prompts;
    prompts.Expect(kIdYes);
    prompts.Expect(kIdNo);
    prompts.Expect(kIdCancel);
    EXPECT_EQ(stitchkit::ShowMessageBox("engine", "Warning!", 0x30), kIdYes);
    EXPECT_EQ(PicturePrompt("picture layer", "", 0), kIdNo);
    EXPECT_EQ(AppMessageBox("program", "Question", kMbOkCancel | kMbIconQuestion), kIdCancel);
    AppBeep();
    ASSERT_EQ(prompts.Boxes().size(), 3u);
    EXPECT_EQ(prompts.Boxes()[0].caption, "Warning!");
    EXPECT_EQ(prompts.Boxes()[2].flags, 0x21u);
    EXPECT_EQ(prompts.Beeps(), 1);
}

// A real Qt box: the text without its line break, the buttons and icon of its flags (one row of
// the flags' table, which is not restated here), and the pressed button as the answer.
TEST(HostServices, QtBoxShowsTheQuestionAndAnswersThePressedButton) {
    QTimer::singleShot(0, [] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text(), "Are you sure?");
        EXPECT_EQ(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
        EXPECT_EQ(box->icon(), QMessageBox::Question);
        box->button(QMessageBox::No)->click();
    });
    QtPrompter prompter;
    EXPECT_EQ(prompter.Show("Are you sure?\n", "Question", 0x24), kIdNo);
}

TEST(HostServices, ProgressWindowIsModalAndCancels) {
    InstallHostServices();
    QDialog owner;
    owner.setWindowTitle("owner");
    owner.show();
    {
        CProgressWnd progress(nullptr, "Processing...");
        ASSERT_TRUE(progress.GoModal("Processing..."));
        progress.SetRange(0, 100);
        progress.SetText("Stitching: image %d and %d of %d images.", 1, 2, 3);
        progress.SetPos(40);
        EXPECT_TRUE(progress.PeekAndPump());
        ProgressDialog* dialog = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<ProgressDialog*>(w); d && d->isVisible()) dialog = d;
        ASSERT_NE(dialog, nullptr);
        EXPECT_FALSE(owner.isEnabled()); // other windows wait while it is modal
        EXPECT_EQ(dialog->text->text(), "Stitching: image 1 and 2 of 3 images.");
        EXPECT_EQ(dialog->bar->value(), 40);
        // Escape cancels as the Cancel button does.
        QTest::keyClick(dialog, Qt::Key_Escape);
        EXPECT_FALSE(progress.PeekAndPump());
        EXPECT_TRUE(progress.Cancelled());
    }
    EXPECT_TRUE(owner.isEnabled());
    RemoveHostServices();
}
