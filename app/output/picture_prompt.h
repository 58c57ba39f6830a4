// The message boxes of the picture layer ("can't open %s", "GIF Images must be 8 bit or less",
// ...) go through one replaceable prompt function, so the layer needs neither a GUI toolkit nor
// the engine. The desktop program installs a message-box implementation; tests install a
// recorder.
#pragma once

#include <functional>
#include <string_view>

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
