// The engine's exported operations keep their C-style contract: no exception crosses the
// library boundary. Each runs its work through one of these guards, which turns an exception
// into the operation's own failure value.
#pragma once

#include <new>
#include <utility>

#include "stitchkit/MFCPanorama.h"

// Runs body() and gives its result; an exception that leaves it gives `onMemory` for
// std::bad_alloc and `onOther` for any other.
template <class Result, class Body>
Result Guarded(Result onMemory, Result onOther, Body&& body) noexcept {
    try {
        return std::forward<Body>(body)();
    } catch (const std::bad_alloc&) {
        return onMemory;
    } catch (...) {
        return onOther;
    }
}

// The result-code form: MosaicNoMemory (3) for std::bad_alloc, MosaicInconsistent (12) for
// any other exception.
template <class Body> int GuardedCode(Body&& body) noexcept {
    return Guarded<int>(MosaicNoMemory, MosaicInconsistent, std::forward<Body>(body));
}
