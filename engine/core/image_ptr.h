// RAII owners for engine images.
#pragma once

#include <memory>

#include "core/image_record.h"

struct NImageDeleter {
    void operator()(N_ImageRec* image) const noexcept { NDestroyImage(image); }
};
// Owns an image that NDestroyImage frees.
using NImagePtr = std::unique_ptr<N_ImageRec, NImageDeleter>;

struct NDIBImageDeleter {
    void operator()(N_ImageRec* image) const noexcept { NDestroyDIBImage(image); }
};
// Owns an interleaved view of a caller's pixels: the record goes, the pixels stay.
using NDIBImagePtr = std::unique_ptr<N_ImageRec, NDIBImageDeleter>;
