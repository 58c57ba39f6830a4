// Preloaded into a program under test: the N-th call of operator new (N from the environment
// variable QUILT_THROW_AT_NEW) throws std::bad_alloc as if memory had run out there; every
// other call allocates as usual.
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>

namespace {

std::atomic<long> g_calls{0};

long ThrowAt() {
    static const long at = [] {
        const char* text = std::getenv("QUILT_THROW_AT_NEW");
        return text != nullptr ? std::atol(text) : 0L;
    }();
    return at;
}

struct Report {
    ~Report() {
        if (std::getenv("QUILT_COUNT_NEW") != nullptr)
            std::fprintf(stderr, "operator new calls: %ld\n", g_calls.load());
    }
} g_report;

} // namespace

void* operator new(std::size_t size) {
    if (g_calls.fetch_add(1) + 1 == ThrowAt()) throw std::bad_alloc();
    if (void* p = std::malloc(size != 0 ? size : 1)) return p;
    throw std::bad_alloc();
}

void* operator new[](std::size_t size) {
    return ::operator new(size);
}

void operator delete(void* p) noexcept {
    std::free(p);
}

void operator delete[](void* p) noexcept {
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
