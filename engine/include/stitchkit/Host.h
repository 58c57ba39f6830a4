// Hooks through which the engine reaches its host program. The engine never includes a GUI
// header: its message boxes and its string resources go through these, set once by the host.
#pragma once

#include <functional>
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

} // namespace stitchkit
