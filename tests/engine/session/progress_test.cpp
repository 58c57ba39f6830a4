#include <gtest/gtest.h>

#include <memory>

#include "core/progress_sink.h"
#include "stitchkit/CProgressWnd.h"
#include "support/scripted_progress.h"

namespace {

TEST(ProgressWnd, CaptionShowsThePercentOfTheRangeOnlyWhenItChanges) {
    ScriptedProgress scripted;
    CProgressWnd window(nullptr, "Processing...");
    window.SetRange(0, 100, 1);
    const std::size_t before = scripted.Log().captions.size();
    window.SetPos(37);
    EXPECT_EQ(window.GetCaption(), "Processing... [37%]");
    window.SetPos(37);
    EXPECT_EQ(scripted.Log().captions.size(), before + 1);
    EXPECT_EQ(window.SetPos(40), 37); // the bar's previous position
    // The lower bound is not subtracted: 100 in 50 .. 150 is 100 %; an empty range is 0 %.
    window.SetRange(50, 150, 1);
    window.SetPos(100);
    EXPECT_EQ(window.GetCaption(), "Processing... [100%]");
    window.SetRange(0, 0, 1);
    window.SetPos(99);
    EXPECT_EQ(window.GetCaption(), "Processing... [0%]");

    CProgressWnd none; // never created: nothing shown, nothing to cancel it
    EXPECT_EQ(none.SetPos(10), 0);
    EXPECT_EQ(none.GetText(), "");
    EXPECT_TRUE(none.SetPosition(3));
}

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
        ProgressDescribePair(sink, 30008, 0, 3); // pairs are numbered from 0, images shown as is
        EXPECT_EQ(window.GetText(), "Stitching: image 0 and 1 of 3 images.");
        EXPECT_EQ(ProgressSetPos(sink, 30), 2);
        EXPECT_TRUE(window.Cancelled());
        // The modal window closes on cancel and the main window is enabled again.
        EXPECT_FALSE(window.HasWindow());
        EXPECT_FALSE(scripted.Log().modal);
        EXPECT_FALSE(window.SetPosition(40));
    }
    EXPECT_EQ(ProgressSetPos(nullptr, 50), 0);
    // Escape is ignored when the pump is asked not to cancel on it.
    ScriptedProgress scripted;
    scripted.Log().cancelAtPosition = 5;
    scripted.Log().cancelByEscape = true;
    CProgressWnd window(nullptr, "x");
    window.SetPos(5);
    EXPECT_TRUE(window.PeekAndPump(false));
}

} // namespace
