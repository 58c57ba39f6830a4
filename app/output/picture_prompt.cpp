#include "picture_prompt.h"

#include <cstdio>
#include <mutex>
#include <string>
#include <utility>

namespace {

std::mutex g_promptMutex;
PicturePromptFunction g_prompt;
thread_local PicturePromptCapture* t_capture = nullptr;

int DefaultPrompt(std::string_view text, std::string_view caption, unsigned /*flags*/) {
    std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(caption.size()), caption.data(),
                 static_cast<int>(text.size()), text.data());
    return kPictureIdOk;
}

} // namespace

void SetPicturePrompt(PicturePromptFunction prompt) {
    const std::lock_guard lock(g_promptMutex);
    g_prompt = std::move(prompt);
}

PicturePromptCapture::PicturePromptCapture() : m_previous(t_capture) {
    t_capture = this;
}

PicturePromptCapture::~PicturePromptCapture() {
    t_capture = m_previous;
}

int PicturePrompt(std::string_view text, std::string_view caption, unsigned flags) {
    if (t_capture) {
        t_capture->Add(text);
        return kPictureIdOk;
    }
    PicturePromptFunction prompt;
    {
        const std::lock_guard lock(g_promptMutex);
        prompt = g_prompt;
    }
    if (!prompt) return DefaultPrompt(text, caption, flags);
    return prompt(text, caption, flags);
}
