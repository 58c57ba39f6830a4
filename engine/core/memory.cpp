#include "core/memory.h"

#include <climits>
#include <cstdlib>

#include <unistd.h>

#include "core/report.h"

namespace {

// A request larger than the machine's physical memory cannot be met usefully (the system may
// promise it and then kill the process when it is touched); such requests, usually from sizes
// that overflowed, are refused as failures without asking the system allocator.
std::size_t LargestRequest() {
    static const std::size_t largest = [] {
        const long pages = sysconf(_SC_PHYS_PAGES);
        const long pageSize = sysconf(_SC_PAGESIZE);
        if (pages <= 0 || pageSize <= 0) return std::size_t{1} << 40;
        return static_cast<std::size_t>(pages) * static_cast<std::size_t>(pageSize);
    }();
    return largest;
}

} // namespace

void* NMalloc(std::size_t size) {
    if (size == 0) return nullptr;
    void* p = size <= LargestRequest() ? std::calloc(1, size) : nullptr;
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
