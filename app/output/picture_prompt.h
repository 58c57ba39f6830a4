// The message boxes of the picture layer ("can't open %s", "GIF Images must be 8 bit or less",
// ...) go through one replaceable prompt function, so the layer needs neither a GUI toolkit nor
// the engine. The desktop program installs a message-box implementation; tests install a
// recorder.
#pragma once

#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

// Message-box flags and answers keep their Win32 values.
inline constexpr unsigned kPictureMbOk = 0x0000;
inline constexpr unsigned kPictureMbIconExclamation = 0x0030;
inline constexpr int kPictureIdOk = 1;

using PicturePromptFunction =
    std::function<int(std::string_view text, std::string_view caption, unsigned flags)>;

// Installs the prompt function. An empty function restores the default, which writes
// "caption: text" to standard error and answers IDOK.
void SetPicturePrompt(PicturePromptFunction prompt);

// Shows one box through the installed function and returns its answer.
int PicturePrompt(std::string_view text, std::string_view caption = {},
                  unsigned flags = kPictureMbOk);

// The layer's box texts are English, marked with QT_TRANSLATE_NOOP("PictureLayer", ...) so the
// program's translation tools collect them; the host installs a translator for them (an empty
// function restores English). Texts with values carry "%1", "%2", ... where they go, so a
// translation can place them anywhere.
#ifndef QT_TRANSLATE_NOOP
#define QT_TRANSLATE_NOOP(scope, x) x // same spelling as Qt's, which may come later
#endif
using PictureTranslator = std::function<std::string(const char* context, const char* text)>;
void SetPictureTranslator(PictureTranslator translator);
// `text` in the user's language, with "%1", "%2", ... replaced by the values in order.
std::string PictureText(const char* text, std::initializer_list<std::string_view> values = {});

// While it lives, the boxes the picture layer would show on this thread are collected instead
// (answered IDOK), so a caller can report a failed read in one message of its own, and
// worker threads never open a box.
class PicturePromptCapture {
public:
    PicturePromptCapture();
    ~PicturePromptCapture();
    PicturePromptCapture(const PicturePromptCapture&) = delete;
    PicturePromptCapture& operator=(const PicturePromptCapture&) = delete;

    const std::vector<std::string>& Texts() const { return m_texts; }
    void Add(std::string_view text) { m_texts.emplace_back(text); }

private:
    PicturePromptCapture* m_previous;
    std::vector<std::string> m_texts;
};
