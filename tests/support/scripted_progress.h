// A scripted progress-window backend for tests: every window the engine opens records its
// modality and the bar positions it shows in a shared log, and can be made to cancel (by Escape
// or the Cancel button) once a given position has been shown. Installed for the object's lifetime.
#pragma once

#include <functional>
#include <memory>
#include <vector>

struct ProgressLog {
    std::vector<int> positions;
    bool modal = false;
    int cancelAtPosition = -1; // the first pump after this position was shown cancels
    std::function<void(int position)> onPosition; // called as each position is shown
    bool cancelByEscape = false;
};

class ScriptedProgress {
public:
    ScriptedProgress();
    ~ScriptedProgress();
    ScriptedProgress(const ScriptedProgress&) = delete;
    ScriptedProgress& operator=(const ScriptedProgress&) = delete;

    ProgressLog& Log() { return *m_log; }

private:
    std::shared_ptr<ProgressLog> m_log;
};
