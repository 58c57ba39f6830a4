#include "session/progress_backends.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <string>

namespace stitchkit {
namespace {

std::mutex g_factoryMutex;
ProgressBackendFactory g_factory;

// Draws nothing and never cancels: the engine's work goes on unseen.
class SilentBackend final : public IProgressWindowBackend {
public:
    bool Create(void*, const std::string&, bool, const std::string&) override { return true; }
    void Destroy() override { m_visible = false; }
    void SetCaption(const std::string&) override {}
    void SetText(const std::string&) override {}
    void SetRange(int, int, int) override {}
    void SetBarPosition(int) override {}
    void Show() override { m_visible = true; }
    void Hide() override { m_visible = false; }
    bool IsVisible() const override { return m_visible; }
    void SetModal(bool) override {}
    ProgressPumpResult Pump() override { return {}; }
    bool GetPosition(int*, int*) const override { return false; }
    bool GetScreenSize(int*, int*) const override { return false; }
    void MoveTo(int, int) override {}
    void CentreOnParent() override {}

private:
    bool m_visible = false;
};

// Ctrl-C while a terminal progress line is shown asks for a cancel instead of killing the
// process; a second Ctrl-C (after the first restored the previous handler) ends it as usual.
std::atomic<bool> g_interrupted{false};
using SignalHandler = void (*)(int);
SignalHandler g_previousHandler = SIG_DFL;
std::atomic<int> g_terminalWindows{0};

extern "C" void OnInterrupt(int) {
    g_interrupted.store(true);
    std::signal(SIGINT, g_previousHandler);
}

class TerminalBackend final : public IProgressWindowBackend {
public:
    ~TerminalBackend() override { Destroy(); }

    bool Create(void*, const std::string& title, bool, const std::string&) override {
        m_caption = title;
        if (g_terminalWindows.fetch_add(1) == 0) {
            g_interrupted.store(false);
            g_previousHandler = std::signal(SIGINT, OnInterrupt);
            if (g_previousHandler == SIG_ERR) g_previousHandler = SIG_DFL;
        }
        m_created = true;
        return true;
    }
    void Destroy() override {
        if (!m_created) return;
        m_created = false;
        if (m_drawn) std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
        if (g_terminalWindows.fetch_sub(1) == 1) std::signal(SIGINT, g_previousHandler);
    }
    void SetCaption(const std::string& caption) override {
        m_caption = caption;
        Draw();
    }
    void SetText(const std::string& text) override {
        m_text = text;
        Draw();
    }
    void SetRange(int, int, int) override {}
    void SetBarPosition(int) override {}
    void Show() override {
        m_visible = true;
        Draw();
    }
    void Hide() override {
        if (m_drawn) std::fputs("\r\033[K", stderr);
        m_drawn = false;
        m_visible = false;
    }
    bool IsVisible() const override { return m_visible; }
    void SetModal(bool) override {}
    ProgressPumpResult Pump() override {
        ProgressPumpResult result;
        result.cancelClicked = g_interrupted.load();
        return result;
    }
    bool GetPosition(int*, int*) const override { return false; }
    bool GetScreenSize(int*, int*) const override { return false; }
    void MoveTo(int, int) override {}
    void CentreOnParent() override {}

private:
    void Draw() {
        if (!m_visible) return;
        std::string line = m_caption;
        if (!m_text.empty()) line += "  " + m_text;
        for (char& ch : line) {
            if (ch == '\n' || ch == '\r') ch = ' ';
        }
        std::fprintf(stderr, "\r%s\033[K", line.c_str());
        std::fflush(stderr);
        m_drawn = true;
    }

    std::string m_caption;
    std::string m_text;
    bool m_created = false;
    bool m_visible = false;
    bool m_drawn = false;
};

} // namespace

void SetProgressBackendFactory(ProgressBackendFactory factory) {
    std::lock_guard lock(g_factoryMutex);
    g_factory = std::move(factory);
}

std::unique_ptr<IProgressWindowBackend> MakeTerminalProgressBackend() {
    return std::make_unique<TerminalBackend>();
}

} // namespace stitchkit

std::unique_ptr<stitchkit::IProgressWindowBackend> MakeProgressBackend() {
    stitchkit::ProgressBackendFactory factory;
    {
        std::lock_guard lock(stitchkit::g_factoryMutex);
        factory = stitchkit::g_factory;
    }
    if (factory) return factory();
    return std::make_unique<stitchkit::SilentBackend>();
}
