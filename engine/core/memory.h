// The engine's allocator: every image, index and list node is allocated here.
#pragma once

#include <cstddef>

// Zero-filled memory of `size` bytes. Size 0 gives null without a message; a failure is
// reported ("Try to allocate memory size:%d bytes", then "NMalloc: Memory allocation failure")
// and gives null. Release with NFree (or std::free, which it is).
void* NMalloc(std::size_t size);

// Frees memory from NMalloc; null is ignored.
void NFree(void* p);

// Typed helper: `count` zeroed objects of a trivially constructible type, or null.
template <class T> T* NMallocArray(std::size_t count) {
    if (count != 0 && count > static_cast<std::size_t>(-1) / sizeof(T)) {
        return static_cast<T*>(NMalloc(static_cast<std::size_t>(-1)));
    }
    return static_cast<T*>(NMalloc(count * sizeof(T)));
}
