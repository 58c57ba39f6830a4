// The help window: each window's Help button shows the program's one help window on that
// window's page of the manual, and leaving the window (ending the program or any other hiding
// of the window, stitching, closing a modal window) closes it.
#include <gtest/gtest.h>

#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include "auto_alignment.h"
#include "button_icons.h"
#include "generated_views.h"
#include "help_desk.h"
#include "help_window.h"
#include "image_file_view.h"
#include "image_impl.h"
#include "main_app.h"
#include "result_window.h"
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
    // compiled into the program (a title and text); a second press keeps the one window.
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
        EXPECT_FALSE(help->Browser()->documentTitle().isEmpty());
        EXPECT_GT(help->Browser()->toPlainText().size(), 400);
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_EQ(app.Help().Window(), help);
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

// The Result window runs modally: the help window opens above it as a window of its own (so it
// is not blocked by it), and closes when the user leaves the Result window.
TEST(HelpWindow, OverTheModalResultWindow) {
    HelpApp h;
    bool checked = false;
    h.app.SetResultWindowHook([&](ResultWindow& window) {
        QTimer::singleShot(0, &window, [&] {
            h.PressHelp(&window, "result-window.html");
            HelpWindow* help = h.app.Help().Window();
            ASSERT_TRUE(help && help->windowHandle());
            EXPECT_EQ(help->windowHandle()->transientParent(), window.windowHandle());
            checked = true;
            h.prompts.Expect(kIdYes); // "Are you sure you want to exit Image Viewer?"
            QTest::mouseClick(window.findChild<QWidget*>("id28031"), Qt::LeftButton);
        });
    });
    h.app.ShowResultWindow(generated::View(0, 0), ResultInfo{});
    EXPECT_TRUE(checked);
    h.ExpectClosedFor(nullptr);
}
