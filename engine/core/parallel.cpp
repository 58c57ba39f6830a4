#include "core/parallel.h"

#include <cstdlib>

unsigned EngineThreads() {
    static const unsigned threads = [] {
        if (const char* text = std::getenv("STITCHKIT_THREADS")) {
            const long n = std::strtol(text, nullptr, 10);
            if (n >= 1 && n <= 8) return static_cast<unsigned>(n);
        }
        return std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
    }();
    return threads;
}
