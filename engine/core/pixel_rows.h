// Row-level pixel access for the direct loops of the image operations. Planar and interleaved
// images are both walked as rows of elements: the first element of (band, row) and the
// distance, in elements, from one pixel of that band to the next.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <type_traits>

#include "core/image_record.h"

// Pointer to pixel (band, row, 0) as the C type T of the image's kind.
template <class T> inline T* NRowPtr(const N_ImageRec* image, int band, int row) {
    return reinterpret_cast<T*>(NPixelAddr(image, band, row, 0));
}

// Elements between neighbouring pixels of one band along a row.
inline std::ptrdiff_t NPixelPitch(const N_ImageRec* image) {
    return image->interleaved ? image->nbands : 1;
}

// Calls f(std::type_identity<T>{}) with the C type that holds a pixel of `kind`, as NGetPixel
// reads it (bit as signed 8-bit). False for kinds that are not pixel kinds.
template <class F> bool NVisitPixelType(int kind, F&& f) {
    switch (kind) {
    case NBitRepn:
    case NSByteRepn:
        f(std::type_identity<std::int8_t>{});
        return true;
    case NUByteRepn:
        f(std::type_identity<std::uint8_t>{});
        return true;
    case NShortRepn:
        f(std::type_identity<std::int16_t>{});
        return true;
    case NLongRepn:
        f(std::type_identity<std::int32_t>{});
        return true;
    case NFloatRepn:
        f(std::type_identity<float>{});
        return true;
    case NDoubleRepn:
        f(std::type_identity<double>{});
        return true;
    default:
        return false;
    }
}

// A double as a float; magnitudes beyond the float range become infinities of the same sign
// instead of relying on an out-of-range conversion.
inline float NToFloat(double value) {
    constexpr double kMax = std::numeric_limits<float>::max();
    if (value > kMax) return std::numeric_limits<float>::infinity();
    if (value < -kMax) return -std::numeric_limits<float>::infinity();
    return static_cast<float>(value);
}

// Copies the source's attributes onto an operation's result. When that fails the result is
// destroyed if the operation created it, and null is returned.
inline NImage NFinishResult(NImage src, NImage result, bool created) {
    if (NCopyImageAttrs(src, result) != nullptr) return result;
    if (created) NDestroyImage(result);
    return nullptr;
}
