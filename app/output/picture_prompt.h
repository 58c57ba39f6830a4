// The message boxes of the picture layer ("can't open %s", "GIF Images must be 8 bit or less",
// ...) go through one replaceable prompt function, so the layer needs neither a GUI toolkit nor
// the engine. The desktop program installs a message-box implementation; tests install a
// recorder.
#pragma once

#include <functional>
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
