#include "support/recording_prompts.h"

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
