// The host hooks: message boxes and string resources.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "core/string_table.h"
#include "stitchkit/Host.h"

namespace stitchkit {
namespace {

// The hooks are set once by the host, usually before any engine work; the mutex only keeps a
// late change from racing with a box shown at the same moment.
std::mutex g_hookMutex;
MessageBoxHandler g_messageBoxHandler;
StringLoader g_stringLoader;

int DefaultMessageBox(std::string_view text, std::string_view caption, unsigned) {
    std::fprintf(stderr, "%.*s: %.*s", static_cast<int>(caption.size()), caption.data(),
                 static_cast<int>(text.size()), text.data());
    if (text.empty() || text.back() != '\n') std::fputc('\n', stderr);
    std::fflush(stderr);
    return IDOK;
}

} // namespace

void SetMessageBoxHandler(MessageBoxHandler handler) {
    std::lock_guard lock(g_hookMutex);
    g_messageBoxHandler = std::move(handler);
}

int ShowMessageBox(std::string_view text, std::string_view caption, unsigned flags) {
    MessageBoxHandler handler;
    {
        std::lock_guard lock(g_hookMutex);
        handler = g_messageBoxHandler;
    }
    return handler ? handler(text, caption, flags) : DefaultMessageBox(text, caption, flags);
}

void SetStringLoader(StringLoader loader) {
    std::lock_guard lock(g_hookMutex);
    g_stringLoader = std::move(loader);
}

std::string LoadResourceString(int id) {
    StringLoader loader;
    {
        std::lock_guard lock(g_hookMutex);
        loader = g_stringLoader;
    }
    if (loader) {
        if (std::optional<std::string> text = loader(id)) return *std::move(text);
    }
    const char* lang = std::getenv("LANG");
    const bool japanese = lang != nullptr && std::strncmp(lang, "ja", 2) == 0;
    return BuiltInString(id, japanese);
}

} // namespace stitchkit
