#include "core/memory.h"

#include <climits>
#include <cstdlib>

#include "core/report.h"

namespace {
// No request above this can be met on any machine the engine runs on; such requests (usually
// from sizes that overflowed) are refused without asking the system allocator.
constexpr std::size_t kLargestRequest = std::size_t{1} << 40;
} // namespace

void* NMalloc(std::size_t size) {
    if (size == 0) return nullptr;
    void* p = size <= kLargestRequest ? std::calloc(1, size) : nullptr;
    if (p == nullptr) {
        // The message's field is an int; larger requests show as the largest int.
        const int shown =
            size > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(size);
        NWarning("Try to allocate memory size:%d bytes", shown);
        NWarningPlain("NMalloc: Memory allocation failure");
    }
    return p;
}

void NFree(void* p) {
    std::free(p);
}
