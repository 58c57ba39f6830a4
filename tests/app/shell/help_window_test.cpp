// The help window: each window's Help button shows the program's one help window on that
// window's page of the manual, and leaving the window (ending the program, going back,
// stitching, closing a modal window) closes it.
#include <gtest/gtest.h>

#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include <functional>

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
#include "support/gui_test.h"
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

    // The help window shows `page` for `window` and nothing else is open for it.
    void ExpectOpenFor(QWidget* window, const QString& page) {
        HelpWindow* help = app.Help().Window();
        ASSERT_TRUE(help);
        EXPECT_TRUE(help->isVisible());
        EXPECT_EQ(help->CurrentPage(), page);
        EXPECT_TRUE(app.Help().IsOpenFor(window));
        // The page came from the manual compiled into the program: it has a title and text.
        EXPECT_FALSE(help->Browser()->documentTitle().isEmpty());
        EXPECT_GT(help->Browser()->toPlainText().size(), 400);
    }

    ImageFileView* view = nullptr;
};

AutoAlignmentWindow* OpenAutomatic(HelpApp& h) {
    h.prompts.Expect(kIdOk);
    EXPECT_TRUE(h.app.SwitchTo(Step::AutoAlign));
    return dynamic_cast<AutoAlignmentWindow*>(h.app.StepWidget());
}

} // namespace

TEST(HelpWindow, EachWindowOpensItsPageAndLeavingItClosesIt) {
    struct Case {
        const char* name;
        // Opens the window and returns it with its Help button's id.
        std::function<QWidget*(HelpApp&, int* helpId)> open;
        const char* page;
        // Leaves the window as a user does.
        std::function<void(HelpApp&, QWidget*)> leave;
    };
    const Case cases[] = {
        {"file view, End",
         [](HelpApp& h, int* id) {
             *id = 28015;
             return static_cast<QWidget*>(h.view);
         },
         "file-view.html",
         [](HelpApp& h, QWidget*) {
             h.prompts.Expect(kIdOk);
             QTest::mouseClick(h.view->Button(28016), Qt::LeftButton);
         }},
        {"automatic alignment, back",
         [](HelpApp& h, int* id) {
             *id = 28015;
             return static_cast<QWidget*>(OpenAutomatic(h));
         },
         "automatic-alignment.html",
         [](HelpApp& h, QWidget* window) {
             h.prompts.Expect(kIdOk);
             QTest::mouseClick(FindToolButton(window, 28014), Qt::LeftButton);
         }},
        {"automatic alignment, stitch",
         [](HelpApp& h, int* id) {
             *id = 28015;
             return static_cast<QWidget*>(OpenAutomatic(h));
         },
         "automatic-alignment.html",
         // The window stays on screen while the stitch asks for its settings (cancelled here).
         [](HelpApp&, QWidget* window) {
             QTest::mouseClick(FindToolButton(window, 28013), Qt::LeftButton);
             EXPECT_TRUE(window->isVisible());
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HelpApp h;
        int id = 0;
        QWidget* window = c.open(h, &id);
        ASSERT_TRUE(window);
        QToolButton* button = FindToolButton(window, id);
        ASSERT_TRUE(button);
        EXPECT_TRUE(button->isVisibleTo(window));
        QTest::mouseClick(button, Qt::LeftButton);
        h.ExpectOpenFor(window, c.page);
        if (c.page == std::string("file-view.html")) {
            SaveScreenshot(h.app.Help().Window(), "help_window_file_view");
        }
        HelpWindow* first = h.app.Help().Window();
        // A second press keeps the one window.
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_EQ(h.app.Help().Window(), first);

        c.leave(h, window);
        EXPECT_FALSE(h.app.Help().Window() && h.app.Help().Window()->isVisible());
        EXPECT_FALSE(h.app.Help().IsOpenFor(window));
        EXPECT_EQ(h.prompts.Pending(), 0u);
    }
}

// The Result window runs modally: the help window opens above it as a window of its own (so it
// is not blocked by it), and closes when the user leaves the Result window.
TEST(HelpWindow, OverTheModalResultWindow) {
    HelpApp h;
    bool checked = false;
    h.app.SetResultWindowHook([&](ResultWindow& window) {
        QTimer::singleShot(0, &window, [&] {
            QTest::mouseClick(window.Button(28015), Qt::LeftButton);
            h.ExpectOpenFor(&window, "result-window.html");
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
    ASSERT_TRUE(h.app.Help().Window());
    EXPECT_FALSE(h.app.Help().Window()->isVisible());
    EXPECT_EQ(h.prompts.Pending(), 0u);
}
