#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "core/report.h"
#include "stitchkit/Host.h"
#include "support/recording_prompts.h"

namespace {

TEST(Report, PrefixesSuffixCaptionAndFlags) {
    RecordingPrompts prompts;
    NError("Something %d", 7);
    NWarning("Odd %s", "thing");
    NWarningPlain("Plain");
    ASSERT_EQ(prompts.Count(), 3u);
    EXPECT_EQ(prompts.Boxes()[0].text, "Error: Something 7.\n");
    EXPECT_EQ(prompts.Boxes()[1].text, "Warning: Odd thing.\n");
    EXPECT_EQ(prompts.Boxes()[2].text, "Warning: Plain.\n");
    for (const RecordedBox& box : prompts.Boxes()) EXPECT_EQ(box.caption, "Warning");
    EXPECT_EQ(prompts.Boxes()[0].flags, 0x1030u);
    EXPECT_EQ(prompts.Boxes()[1].flags, 0x1030u);
    EXPECT_EQ(prompts.Boxes()[2].flags, 0x0u);
}

TEST(Report, LongMessagesStayWithinTheBufferAndKeepTheirEnding) {
    RecordingPrompts prompts;
    const std::string longText(2000, 'x');
    NWarning("%s", longText.c_str());
    const std::string& text = prompts.OnlyText();
    EXPECT_LE(text.size(), 499u); // 500 bytes with the terminator
    EXPECT_EQ(text.rfind("Warning: xxx", 0), 0u);
    EXPECT_EQ(text.substr(text.size() - 2), ".\n");
}

TEST(Host, DefaultHandlerAnswersOkAndHandlerAnswersAreReturned) {
    stitchkit::SetMessageBoxHandler({});
    testing::internal::CaptureStderr();
    EXPECT_EQ(stitchkit::ShowMessageBox("Error: x.\n", "Warning", 0x1030), stitchkit::IDOK);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Warning: Error: x.\n");

    RecordingPrompts prompts;
    prompts.Answer(stitchkit::IDNO);
    EXPECT_EQ(stitchkit::ShowMessageBox("Go on?", "Question", 0x1024), stitchkit::IDNO);
    EXPECT_EQ(stitchkit::ShowMessageBox("Again?", "Question", 0x1024), stitchkit::IDOK);
}

TEST(Host, StringResourcesFollowLoaderThenLanguage) {
    const char* saved = std::getenv("LANG");
    const std::string savedLang = saved ? saved : "";
    setenv("LANG", "en_GB.UTF-8", 1);
    EXPECT_EQ(stitchkit::LoadResourceString(30000), "Warning!");
    EXPECT_EQ(stitchkit::LoadResourceString(30008), "Stitching: image %d and %d of %d images.");
    EXPECT_EQ(stitchkit::LoadResourceString(29999), "");
    setenv("LANG", "ja_JP.UTF-8", 1);
    EXPECT_NE(stitchkit::LoadResourceString(30002), "Canceled.");
    EXPECT_FALSE(stitchkit::LoadResourceString(30002).empty());

    stitchkit::SetStringLoader([](int id) -> std::optional<std::string> {
        if (id == 30013) return std::string("Abort");
        return std::nullopt;
    });
    EXPECT_EQ(stitchkit::LoadResourceString(30013), "Abort");
    setenv("LANG", "C", 1);
    EXPECT_EQ(stitchkit::LoadResourceString(30010), "Processing...");
    stitchkit::SetStringLoader({});
    EXPECT_EQ(stitchkit::LoadResourceString(30013), "Cancel");
    if (saved) setenv("LANG", savedLang.c_str(), 1);
    else unsetenv("LANG");
}

} // namespace
