// A scripted message-box handler for tests: it records every box the engine shows and answers
// from a queue (IDOK when the queue is empty). Installed for the lifetime of the object.
#pragma once

#include <deque>
#include <initializer_list>
#include <string>
#include <vector>

struct RecordedBox {
    std::string text;
    std::string caption;
    unsigned flags = 0;
};

class RecordingPrompts {
public:
    RecordingPrompts();
    ~RecordingPrompts();
    RecordingPrompts(const RecordingPrompts&) = delete;
    RecordingPrompts& operator=(const RecordingPrompts&) = delete;

    // Queues the answer for the next box.
    void Answer(int answer) { m_answers.push_back(answer); }
    const std::vector<RecordedBox>& Boxes() const { return m_boxes; }
    std::size_t Count() const { return m_boxes.size(); }
    void Clear() { m_boxes.clear(); }
    // The text of the single recorded box; fails the current test unless exactly one was shown.
    std::string OnlyText() const;
    // The texts of the boxes shown so far, which are then forgotten.
    std::vector<std::string> Take() {
        std::vector<std::string> texts;
        for (const RecordedBox& box : m_boxes) texts.push_back(box.text);
        m_boxes.clear();
        return texts;
    }

private:
    std::vector<RecordedBox> m_boxes;
    std::deque<int> m_answers;
};

// The text a warning box shows for a message: "Warning: " + message + ".\n".
std::string WarningText(const std::string& message);
// The text an error box shows for a message: "Error: " + message + ".\n".
std::string ErrorText(const std::string& message);
// The texts of warning boxes for each message, in order.
std::vector<std::string> WarningTexts(std::initializer_list<std::string> messages);
