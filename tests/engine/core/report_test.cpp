#include <gtest/gtest.h>

#include <string>

#include "core/report.h"
#include "stitchkit/Host.h"
#include "support/recording_prompts.h"

namespace {

TEST(Report, LongTextsStayInTheBuffer) {
    // (The prefixes, flags and caption of the boxes are constants of the reporting code.)
    RecordingPrompts prompts;
    NWarning("%s", std::string(2000, 'x').c_str());
    ASSERT_EQ(prompts.Count(), 1u);
    const std::string& text = prompts.Boxes()[0].text;
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
