#include <gtest/gtest.h>

#include <string>

#include "core/report.h"
#include "stitchkit/Host.h"
#include "support/recording_prompts.h"

namespace {

TEST(Report, BoxesCarryPrefixCaptionAndFlagsAndLongTextsStayInTheBuffer) {
    RecordingPrompts prompts;
    NError("Something %d", 7);
    NWarningPlain("Plain");
    NWarning("%s", std::string(2000, 'x').c_str());
    ASSERT_EQ(prompts.Count(), 3u);
    EXPECT_EQ(prompts.Boxes()[0].text, "Error: Something 7.\n");
    EXPECT_EQ(prompts.Boxes()[0].flags, 0x1030u);
    EXPECT_EQ(prompts.Boxes()[1].text, "Warning: Plain.\n");
    EXPECT_EQ(prompts.Boxes()[1].flags, 0x0u);
    for (const RecordedBox& box : prompts.Boxes()) EXPECT_EQ(box.caption, "Warning");
    const std::string& text = prompts.Boxes()[2].text;
    EXPECT_LE(text.size(), 499u); // 500 bytes with the terminator
    EXPECT_EQ(text.rfind("Warning: xxx", 0), 0u);
    EXPECT_EQ(text.substr(text.size() - 2), ".\n");
}

TEST(Host, DefaultHandlerAnswersOkAndAnInstalledOneIsAsked) {
    stitchkit::SetMessageBoxHandler({});
    testing::internal::CaptureStderr();
    EXPECT_EQ(stitchkit::ShowMessageBox("Error: x.\n", "Warning", 0x1030), stitchkit::IDOK);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Warning: Error: x.\n");
    RecordingPrompts prompts;
    prompts.Answer(stitchkit::IDNO);
    EXPECT_EQ(stitchkit::ShowMessageBox("Go on?", "Question", 0x1024), stitchkit::IDNO);
    EXPECT_EQ(stitchkit::ShowMessageBox("Again?", "Question", 0x1024), stitchkit::IDOK);
}

} // namespace
