// The program's prompt service. Every message box of the desktop program (its own questions,
// the engine's boxes and the picture layer's) goes through the one installed Prompter, and so
// does every beep; tests install a scripted one that records and answers each box.
#pragma once

#include <memory>
#include <string_view>

// Message-box flags and answers keep their Win32 values.
inline constexpr unsigned kMbOk = 0x0000;
inline constexpr unsigned kMbOkCancel = 0x0001;
inline constexpr unsigned kMbAbortRetryIgnore = 0x0002;
inline constexpr unsigned kMbYesNoCancel = 0x0003;
inline constexpr unsigned kMbYesNo = 0x0004;
inline constexpr unsigned kMbRetryCancel = 0x0005;
inline constexpr unsigned kMbIconHand = 0x0010;
inline constexpr unsigned kMbIconQuestion = 0x0020;
inline constexpr unsigned kMbIconExclamation = 0x0030;
inline constexpr unsigned kMbIconInformation = 0x0040;
inline constexpr unsigned kMbSystemModal = 0x1000;
inline constexpr unsigned kMbButtonMask = 0x000F;
inline constexpr unsigned kMbIconMask = 0x00F0;

inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdAbort = 3;
inline constexpr int kIdRetry = 4;
inline constexpr int kIdIgnore = 5;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

class Prompter {
public:
    virtual ~Prompter() = default;
    // Shows one box and returns the answer (kIdOk, kIdCancel, kIdYes, kIdNo, ...).
    virtual int Show(std::string_view text, std::string_view caption, unsigned flags) = 0;
    virtual void Beep() = 0;
};

// Installs the program's prompter; null restores the default, which writes "caption: text" to
// standard error, answers kIdOk and does not beep. The caller keeps the prompter alive.
void SetPrompter(std::shared_ptr<Prompter> prompter);
std::shared_ptr<Prompter> CurrentPrompter();

// Shorthands for the installed prompter.
int AppMessageBox(std::string_view text, std::string_view caption = {}, unsigned flags = kMbOk);
void AppBeep();
