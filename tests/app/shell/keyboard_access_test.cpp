// Every window can be driven from the keyboard and read by a screen reader: each button is
// reached by Tab and has a name (its text, or its tooltip as accessible name).
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QTest>

#include <set>
#include <string>
#include <vector>

#include "image_file_view.h"
#include "image_impl.h"
#include "main_app.h"
#include "result_window.h"
#include "stitch_dialogs.h"
#include "support/scripted_prompter.h"

namespace {

// The visible, enabled buttons of `window` that Tab never reaches or that have no name.
std::vector<std::string> KeyboardProblems(QWidget* window) {
    window->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
    std::set<QWidget*> reached;
    QWidget* w = window;
    for (int i = 0; i < 1000; ++i) {
        w = w->nextInFocusChain();
        if (w == window) break;
        if (w->isVisibleTo(window) && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus))
            reached.insert(w);
    }
    std::vector<std::string> problems;
    for (QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
        if (!b->isVisibleTo(window) || !b->isEnabled()) continue;
        const std::string name = b->objectName().toStdString();
        if (!reached.count(b)) problems.push_back(name + " is not reached by Tab");
        if (b->text().isEmpty() && b->accessibleName().isEmpty())
            problems.push_back(name + " has no name");
    }
    return problems;
}

} // namespace

TEST(KeyboardAccess, ButtonsAreReachedByTabAndNamed) {
    ScriptedPrompter prompts;
    CMainApp app;
    ImageFileView* view = app.CreateFileView();
    EXPECT_EQ(KeyboardProblems(view), std::vector<std::string>{});

    ResultWindow result;
    ASSERT_TRUE(result.SetPicture(CImageImpl::Create(900, 300, 24, kImageTypeBmp), ResultInfo{}));
    EXPECT_EQ(KeyboardProblems(&result), std::vector<std::string>{});

    for (const ParameterDialogKind kind :
         {ParameterDialogKind::PlaneCylinder, ParameterDialogKind::Translation,
          ParameterDialogKind::LensAngle}) {
        StitchParameterDialog dialog(kind, StitchSettings{});
        EXPECT_EQ(KeyboardProblems(&dialog), std::vector<std::string>{});
    }
}
