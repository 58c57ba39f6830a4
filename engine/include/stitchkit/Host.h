// Hooks through which the engine reaches its host program. The engine never includes a GUI
// header: its message boxes and its string resources go through these, set once by the host.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "stitchkit/Export.h"

namespace stitchkit {

// Message-box flags and answers keep their Win32 values.
inline constexpr unsigned MB_OK = 0x0000;
inline constexpr unsigned MB_OKCANCEL = 0x0001;
inline constexpr unsigned MB_YESNOCANCEL = 0x0003;
inline constexpr unsigned MB_YESNO = 0x0004;
inline constexpr unsigned MB_ICONSTOP = 0x0010;
inline constexpr unsigned MB_ICONQUESTION = 0x0020;
inline constexpr unsigned MB_ICONEXCLAMATION = 0x0030;
inline constexpr unsigned MB_ICONINFORMATION = 0x0040;
inline constexpr unsigned MB_SYSTEMMODAL = 0x1000;

inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

using MessageBoxHandler =
    std::function<int(std::string_view text, std::string_view caption, unsigned flags)>;

// Installs the handler every engine message box goes through. An empty handler restores the
// default, which writes "caption: text" to standard error and answers IDOK.
STITCHKIT_API void SetMessageBoxHandler(MessageBoxHandler handler);

// Shows one box through the installed handler and returns its answer.
STITCHKIT_API int ShowMessageBox(std::string_view text, std::string_view caption, unsigned flags);

// Returns the text of a string resource, or nothing when the loader has none for that id.
using StringLoader = std::function<std::optional<std::string>(int id)>;

// Installs a loader asked before the built-in table. An empty loader restores the built-in
// table alone (English, or Japanese where LANG starts with "ja" and a Japanese text exists).
STITCHKIT_API void SetStringLoader(StringLoader loader);

// The text of string resource `id`: the host loader's answer, else the built-in table's, else
// an empty string.
STITCHKIT_API std::string LoadResourceString(int id);

// ---------------------------------------------------------------------------------------------
// Progress window backend. CProgressWnd keeps all of its logic in the engine and draws through
// one backend object per window, made by the installed factory.

// What the host saw since the last pump.
struct ProgressPumpResult {
    bool escapePressed = false; // the Escape key reached the progress window
    bool cancelClicked = false; // the Cancel button was pressed (or released over)
    bool quit = false;          // the application is ending
};

class STITCHKIT_API IProgressWindowBackend {
public:
    virtual ~IProgressWindowBackend() = default;
    // Creates the window (caption, text area, bar, Cancel button); false when it cannot.
    // `parent` is the host's own window handle, or null for the main window.
    virtual bool Create(void* parent, const std::string& title, bool smooth,
                        const std::string& cancelLabel) = 0;
    virtual void Destroy() = 0;
    virtual void SetCaption(const std::string& caption) = 0;
    virtual void SetText(const std::string& text) = 0;
    virtual void SetRange(int lower, int upper, int step) = 0;
    virtual void SetBarPosition(int position) = 0;
    virtual void Show() = 0;
    virtual void Hide() = 0;
    virtual bool IsVisible() const = 0;
    // Modal: the main window is disabled, this one focused, and a busy cursor shown.
    virtual void SetModal(bool modal) = 0;
    // Lets the host handle its pending events and says what happened.
    virtual ProgressPumpResult Pump() = 0;
    // Window position on the screen, for the saved position; false when unknown.
    virtual bool GetPosition(int* x, int* y) const = 0;
    virtual bool GetScreenSize(int* width, int* height) const = 0;
    virtual void MoveTo(int x, int y) = 0;
    virtual void CentreOnParent() = 0;
};

using ProgressBackendFactory = std::function<std::unique_ptr<IProgressWindowBackend>()>;

// Installs the factory every progress window takes its backend from. An empty factory restores
// the default backend, which draws nothing and never cancels.
STITCHKIT_API void SetProgressBackendFactory(ProgressBackendFactory factory);

// A backend that draws one self-overwriting line on standard error (caption, text and
// percentage) and takes Ctrl-C while it is shown as the Cancel button.
STITCHKIT_API std::unique_ptr<IProgressWindowBackend> MakeTerminalProgressBackend();

// ---------------------------------------------------------------------------------------------
// Profile store: integer and string values by section and name (the engine keeps its progress
// window position in the section "Settings").
class STITCHKIT_API IProfileStore {
public:
    virtual ~IProfileStore() = default;
    virtual int GetInt(const std::string& section, const std::string& name, int fallback) = 0;
    virtual void WriteInt(const std::string& section, const std::string& name, int value) = 0;
    virtual std::string GetString(const std::string& section, const std::string& name,
                                  const std::string& fallback) = 0;
    virtual void WriteString(const std::string& section, const std::string& name,
                             const std::string& value) = 0;
};

// Installs the store; null restores the default, which keeps values in memory for the run.
STITCHKIT_API void SetProfileStore(std::shared_ptr<IProfileStore> store);
STITCHKIT_API IProfileStore& ProfileStore();

} // namespace stitchkit
