#include "support/recording_prompts.h"

#include <gtest/gtest.h>

#include "stitchkit/Host.h"

RecordingPrompts::RecordingPrompts() {
    stitchkit::SetMessageBoxHandler(
        [this](std::string_view text, std::string_view caption, unsigned flags) {
            m_boxes.push_back({std::string(text), std::string(caption), flags});
            if (m_answers.empty()) return stitchkit::IDOK;
            const int answer = m_answers.front();
            m_answers.pop_front();
            return answer;
        });
}

RecordingPrompts::~RecordingPrompts() {
    stitchkit::SetMessageBoxHandler({});
}

std::string RecordingPrompts::OnlyText() const {
    EXPECT_EQ(m_boxes.size(), 1u) << "expected exactly one message box";
    return m_boxes.empty() ? std::string() : m_boxes.front().text;
}

std::string WarningText(const std::string& message) {
    return "Warning: " + message + ".\n";
}
std::string ErrorText(const std::string& message) {
    return "Error: " + message + ".\n";
}
std::vector<std::string> WarningTexts(std::initializer_list<std::string> messages) {
    std::vector<std::string> texts;
    for (const std::string& message : messages) texts.push_back(WarningText(message));
    return texts;
}
