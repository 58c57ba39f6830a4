// A scripted progress-window backend for tests: every window the engine opens records its
// captions, texts and positions in a shared log, and can be made to cancel (by Escape or the
// Cancel button) once a given position has been shown. Installed for the object's lifetime.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

struct ProgressLog {
    int windowsCreated = 0;
    int windowsDestroyed = 0;
    std::vector<std::string> captions;
    std::vector<std::string> texts;
    std::vector<int> positions;
    bool modal = false;
    int cancelAtPosition = -1; // the first pump after this position was shown cancels
    std::function<void(int position)> onPosition; // called as each position is shown
    bool cancelByEscape = false;
    bool positionKnown = false; // whether the backend reports a window position
    int x = 100, y = 50, screenWidth = 1920, screenHeight = 1080;
    std::vector<std::pair<int, int>> moves;
    int centred = 0;
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
