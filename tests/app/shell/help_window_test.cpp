// The help window: each window's Help button shows the program's one help window on that
// window's page of the manual, and leaving the window (ending the program or any other hiding
// of the window, stitching) closes it.
#include <gtest/gtest.h>

#include <QTest>
#include <QTextBrowser>
#include <QToolButton>
#include <QWindow>

#include "button_icons.h"
#include "generated_views.h"
#include "help_desk.h"
#include "help_window.h"
#include "image_file_view.h"
#include "main_app.h"
#include "stitch_driver.h"
#include "support/scripted_prompter.h"

namespace {

// An application with three generated views of known offsets in its input list, and a stitch
// whose parameter dialog is cancelled; the prompter outlives the application.
struct Prompts {
    ScriptedPrompter prompts;
};
class HelpApp : public Prompts, public generated::App {
public:
    HelpApp() : generated::App(3, [](int k) { return generated::View(250 * k, 5 * k); }) {
        accept = false;
        view = app.CreateFileView();
        view->show();
    }

    // Presses the Help button of `window`: the help window shows `page` for it, from the manual
    // compiled into the program, as a window of its own above it (so a modal window such as
    // the Result window does not block it).
    void PressHelp(QWidget* window, const QString& page) {
        QToolButton* button = FindToolButton(window, 28015);
        ASSERT_TRUE(button);
        EXPECT_TRUE(button->isVisibleTo(window));
        QTest::mouseClick(button, Qt::LeftButton);
        HelpWindow* help = app.Help().Window();
        ASSERT_TRUE(help);
        EXPECT_TRUE(help->isVisible());
        EXPECT_EQ(help->CurrentPage(), page);
        EXPECT_TRUE(app.Help().IsOpenFor(window));
        ASSERT_TRUE(help->windowHandle());
        EXPECT_EQ(help->windowHandle()->transientParent(), window->windowHandle());
        EXPECT_GT(help->Browser()->toPlainText().size(), 400);
    }

    // The user left `window`: its help is closed and every expected box was shown.
    void ExpectClosedFor(QWidget* window) {
        EXPECT_FALSE(app.Help().Window() && app.Help().Window()->isVisible());
        EXPECT_FALSE(app.Help().IsOpenFor(window));
        EXPECT_EQ(prompts.Pending(), 0u);
    }

    ImageFileView* view = nullptr;
};

} // namespace

TEST(HelpWindow, EachWindowOpensItsPageAndLeavingItClosesIt) {
    {
        // Ending the program, as any hiding of the window by the program.
        HelpApp h;
        h.PressHelp(h.view, "file-view.html");
        h.prompts.Expect(kIdOk);
        QTest::mouseClick(h.view->Button(28016), Qt::LeftButton);
        h.ExpectClosedFor(h.view);
    }
    // Stitching: the window stays on screen while the stitch asks for its settings (cancelled).
    HelpApp h;
    h.prompts.Expect(kIdOk);
    ASSERT_TRUE(h.app.SwitchTo(Step::AutoAlign));
    QWidget* window = h.app.StepWidget();
    h.PressHelp(window, "automatic-alignment.html");
    QTest::mouseClick(FindToolButton(window, 28013), Qt::LeftButton);
    EXPECT_TRUE(window->isVisible());
    h.ExpectClosedFor(window);
}
