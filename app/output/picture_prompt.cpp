#include "picture_prompt.h"

#include <cstdio>
#include <mutex>
#include <string>
#include <utility>

namespace {

std::mutex g_promptMutex;
PicturePromptFunction g_prompt;
PictureTranslator g_translator;
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

void SetPictureTranslator(PictureTranslator translator) {
    const std::lock_guard lock(g_promptMutex);
    g_translator = std::move(translator);
}

std::string PictureText(const char* text, std::initializer_list<std::string_view> values) {
    PictureTranslator translator;
    {
        const std::lock_guard lock(g_promptMutex);
        translator = g_translator;
    }
    const std::string pattern = translator ? translator("PictureLayer", text) : std::string(text);
    // One pass, so a value that itself holds "%2" stays as it is.
    std::string result;
    for (std::size_t k = 0; k < pattern.size(); ++k) {
        const char next = k + 1 < pattern.size() ? pattern[k + 1] : '\0';
        const std::size_t n = static_cast<std::size_t>(next - '1');
        if (pattern[k] == '%' && next >= '1' && next <= '9' && n < values.size()) {
            result += values.begin()[n];
            ++k;
        } else {
            result += pattern[k];
        }
    }
    return result;
}
