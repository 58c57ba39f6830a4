#include <gtest/gtest.h>

#include "core/progress_sink.h"
#include "stitchkit/CProgressWnd.h"
#include "support/scripted_progress.h"

namespace {

TEST(ProgressWnd, EscapeAndCancelButtonCancelAModalWindowAndTheSinkReports2) {
    for (bool escape : {true, false}) {
        ScriptedProgress scripted;
        scripted.Log().cancelAtPosition = 30;
        scripted.Log().cancelByEscape = escape;
        CProgressWnd window(nullptr, "Processing...");
        ASSERT_TRUE(window.GoModal());
        EXPECT_TRUE(scripted.Log().modal);
        ProgressSink* sink = window.GetSink();
        EXPECT_EQ(ProgressSetPos(sink, 10), 0);
        EXPECT_EQ(ProgressSetPos(sink, 30), 2);
        EXPECT_TRUE(window.Cancelled());
        // The modal window closes on cancel and the main window is enabled again.
        EXPECT_FALSE(window.HasWindow());
        EXPECT_FALSE(scripted.Log().modal);
        EXPECT_FALSE(window.SetPosition(40));
    }
}

} // namespace
