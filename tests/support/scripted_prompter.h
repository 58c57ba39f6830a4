// The prompt service of window tests: it records every box (text, caption, flags) and every
// beep, answers boxes from a queue, and fails the running test on a box nobody expected (one
// shown while the queue is empty), answering it with Cancel/OK so the test goes on.
// Installed behind the program's, the engine's and the picture layer's boxes while it lives.
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "prompter.h"

struct PromptRecord {
    std::string text;
    std::string caption;
    unsigned flags = 0;
};

class ScriptedPrompter {
public:
    ScriptedPrompter();
    ~ScriptedPrompter();
    ScriptedPrompter(const ScriptedPrompter&) = delete;
    ScriptedPrompter& operator=(const ScriptedPrompter&) = delete;

    // Queues the answer for the next box (kIdOk, kIdCancel, kIdYes, kIdNo, ...).
    void Expect(int answer);
    const std::vector<PromptRecord>& Boxes() const;
    int Beeps() const;
    // The texts of the boxes shown so far, which are then forgotten (with the beep count).
    std::vector<std::string> Take();
    // Answers still queued.
    std::size_t Pending() const;

private:
    class Impl;
    std::shared_ptr<Impl> m_impl;
};
