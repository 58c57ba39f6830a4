// A scripted message-box handler for tests: it records every box the engine shows and answers
// from a queue (IDOK when the queue is empty). Installed for the lifetime of the object.
#pragma once

#include <deque>
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
