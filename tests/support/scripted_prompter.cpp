#include "support/scripted_prompter.h"

#include <gtest/gtest.h>

#include "host_services.h"

class ScriptedPrompter::Impl final : public Prompter {
public:
    int Show(std::string_view text, std::string_view caption, unsigned flags) override {
        boxes.push_back({std::string(text), std::string(caption), flags});
        if (answers.empty()) {
            ADD_FAILURE() << "unexpected message box \"" << text << "\" (caption \"" << caption
                          << "\", flags 0x" << std::hex << flags << ")";
            return (flags & kMbButtonMask) == kMbOk ? kIdOk : kIdCancel;
        }
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void Beep() override { ++beeps; }

    std::vector<PromptRecord> boxes;
    std::deque<int> answers;
    int beeps = 0;
};

ScriptedPrompter::ScriptedPrompter() : m_impl(std::make_shared<Impl>()) {
    InstallPrompter(m_impl);
}

ScriptedPrompter::~ScriptedPrompter() {
    EXPECT_TRUE(m_impl->answers.empty())
        << m_impl->answers.size() << " expected box(es) never shown";
    InstallPrompter(nullptr);
}

void ScriptedPrompter::Expect(int answer) {
    m_impl->answers.push_back(answer);
}

const std::vector<PromptRecord>& ScriptedPrompter::Boxes() const {
    return m_impl->boxes;
}

int ScriptedPrompter::Beeps() const {
    return m_impl->beeps;
}

std::vector<std::string> ScriptedPrompter::Take() {
    std::vector<std::string> texts;
    for (const PromptRecord& box : m_impl->boxes) texts.push_back(box.text);
    m_impl->boxes.clear();
    m_impl->beeps = 0;
    return texts;
}

std::size_t ScriptedPrompter::Pending() const {
    return m_impl->answers.size();
}
