#include <gtest/gtest.h>

#include "core/progress_sink.h"
#include "stitchkit/CProgressWnd.h"
#include "support/scripted_progress.h"

namespace {

TEST(ProgressWnd, CaptionShowsPercentOnlyWhenItChanges) {
    ScriptedProgress scripted;
    CProgressWnd window(nullptr, "Processing...");
    window.SetRange(0, 100, 1);
    const std::size_t before = scripted.Log().captions.size();
    window.SetPos(37);
    EXPECT_EQ(window.GetCaption(), "Processing... [37%]");
    ASSERT_EQ(scripted.Log().captions.size(), before + 1);
    window.SetPos(37);
    EXPECT_EQ(scripted.Log().captions.size(), before + 1);
    EXPECT_EQ(window.SetPos(40), 37); // the bar's previous position

    // The lower bound is not subtracted: 100 in 50 .. 150 is 100 %.
    window.SetRange(50, 150, 1);
    window.SetPos(100);
    EXPECT_EQ(window.GetCaption(), "Processing... [100%]");
    window.SetRange(0, 0, 1);
    window.SetPos(99);
    EXPECT_EQ(window.GetCaption(), "Processing... [0%]");
}

TEST(ProgressWnd, DescriptionsFillTheirResourceTexts) {
    ScriptedProgress scripted;
    CProgressWnd window(nullptr, 30010u);
    EXPECT_EQ(window.GetTitle(), "Processing...");
    window.SetDescriptionPairFrames(30008, 2, 5);
    EXPECT_EQ(window.GetText(), "Stitching: image 2 and 3 of 5 images.");
    window.SetDescriptionFrames(30021, 4, 6);
    EXPECT_EQ(window.GetText(), "Automatic alignment: image 4 of 6 images.");
    window.SetDescription(30009, 1);
    EXPECT_EQ(window.GetText(), "Blending: image 1 of 2 images.");
    window.LoadString(30011);
    EXPECT_EQ(window.GetText(), "Automatic alignment...");
    EXPECT_EQ(scripted.Log().texts.back(), "Automatic alignment...");
    EXPECT_TRUE(window.SetMaxPosition(-5));
}

TEST(ProgressWnd, WithoutAWindowNothingIsShownAndStoredValuesAnswer) {
    CProgressWnd window; // never created
    EXPECT_FALSE(window.HasWindow());
    window.SetRange(0, 50);
    EXPECT_EQ(window.SetPos(10), 0);
    EXPECT_EQ(window.StepIt(), 0);
    window.SetText("ignored %d", 1);
    EXPECT_EQ(window.GetText(), "");
    EXPECT_TRUE(window.SetPosition(3)); // nothing to cancel it
}

TEST(ProgressWnd, EscapeAndCancelButtonCancelAModalWindow) {
    for (bool escape : {true, false}) {
        ScriptedProgress scripted;
        scripted.Log().cancelAtPosition = 30;
        scripted.Log().cancelByEscape = escape;
        CProgressWnd window(nullptr, "Processing...");
        ASSERT_TRUE(window.GoModal());
        EXPECT_TRUE(scripted.Log().modal);
        EXPECT_TRUE(window.SetPosition(10));
        EXPECT_FALSE(window.SetPosition(30));
        EXPECT_TRUE(window.Cancelled());
        // The modal window closes on cancel and the main window is enabled again.
        EXPECT_FALSE(window.HasWindow());
        EXPECT_FALSE(scripted.Log().modal);
        EXPECT_EQ(scripted.Log().windowsDestroyed, 1);
        EXPECT_FALSE(window.SetPosition(40));
    }
    // Escape is ignored when the pump is asked not to cancel on it.
    ScriptedProgress scripted;
    scripted.Log().cancelAtPosition = 5;
    scripted.Log().cancelByEscape = true;
    CProgressWnd window(nullptr, "x");
    window.SetPos(5);
    EXPECT_TRUE(window.PeekAndPump(false));
}

TEST(ProgressSink, ForwardsAndTurnsACancelIntoCode2) {
    EXPECT_EQ(ProgressSetPos(nullptr, 50), 0);
    ProgressDescribe(nullptr, 30009, 1); // nothing happens

    ScriptedProgress scripted;
    scripted.Log().cancelAtPosition = 60;
    CProgressWnd window(nullptr, "Processing...");
    window.GoModal();
    ProgressSink* sink = window.GetSink();
    EXPECT_EQ(ProgressSetPos(sink, 20), 0);
    ProgressDescribePair(sink, 30008, 0, 3);
    EXPECT_EQ(window.GetText(), "Stitching: image 0 and 1 of 3 images.");
    EXPECT_EQ(ProgressSetPos(sink, 60), 2);
}

TEST(ProgressWnd, SavedPositionIsRestoredOnlyWhenOnScreen) {
    ScriptedProgress scripted;
    scripted.Log().positionKnown = true;
    scripted.Log().x = 300;
    scripted.Log().y = 200;
    {
        CProgressWnd window;
        window.SetPersistent(true);
        ASSERT_TRUE(window.Create(nullptr, "One"));
        EXPECT_EQ(scripted.Log().centred, 1); // nothing saved yet: centred
    }                                         // destruction saves (300, 200)
    {
        CProgressWnd window;
        window.SetPersistent(true);
        ASSERT_TRUE(window.Create(nullptr, "Two"));
        ASSERT_EQ(scripted.Log().moves.size(), 1u);
        EXPECT_EQ(scripted.Log().moves[0], std::make_pair(300, 200));
        scripted.Log().x = 5000; // off the screen
    }
    CProgressWnd window;
    window.SetPersistent(true);
    ASSERT_TRUE(window.Create(nullptr, "Three"));
    EXPECT_EQ(scripted.Log().moves.size(), 1u);
    EXPECT_EQ(scripted.Log().centred, 2);
}

} // namespace
