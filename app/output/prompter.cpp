#include "prompter.h"

#include <cstdio>
#include <mutex>
#include <utility>

namespace {

class StderrPrompter final : public Prompter {
public:
    int Show(std::string_view text, std::string_view caption, unsigned) override {
        std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(caption.size()), caption.data(),
                     static_cast<int>(text.size()), text.data());
        return kIdOk;
    }
    void Beep() override {}
};

std::mutex g_mutex;
std::shared_ptr<Prompter>& Installed() {
    static std::shared_ptr<Prompter> prompter = std::make_shared<StderrPrompter>();
    return prompter;
}

} // namespace

void SetPrompter(std::shared_ptr<Prompter> prompter) {
    const std::lock_guard lock(g_mutex);
    Installed() = prompter ? std::move(prompter) : std::make_shared<StderrPrompter>();
}

std::shared_ptr<Prompter> CurrentPrompter() {
    const std::lock_guard lock(g_mutex);
    return Installed();
}

int AppMessageBox(std::string_view text, std::string_view caption, unsigned flags) {
    return CurrentPrompter()->Show(text, caption, flags);
}

void AppBeep() {
    CurrentPrompter()->Beep();
}
