// Keeps the engine's diagnostic lines (printed on standard output) out of the way of a
// command's own output while it lives.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

class QuietStdout {
public:
    explicit QuietStdout(bool quiet) {
        if (!quiet) return;
        std::fflush(stdout);
        m_saved = dup(STDOUT_FILENO);
        const int null = open("/dev/null", O_WRONLY);
        if (m_saved < 0 || null < 0 || dup2(null, STDOUT_FILENO) < 0) {
            if (null >= 0) close(null);
            if (m_saved >= 0) close(m_saved);
            m_saved = -1;
            return;
        }
        close(null);
    }
    ~QuietStdout() { Restore(); }
    void Restore() {
        if (m_saved < 0) return;
        std::fflush(stdout);
        dup2(m_saved, STDOUT_FILENO);
        close(m_saved);
        m_saved = -1;
    }

private:
    int m_saved = -1;
};
