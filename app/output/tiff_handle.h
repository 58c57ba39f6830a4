// Opening TIFF files with the picture layer's own error and warning handlers: libtiff's
// messages go nowhere instead of to the process-wide handlers, and never stop the program.
#pragma once

#include <memory>
#include <string>

#include <tiffio.h>

struct TiffCloser {
    void operator()(TIFF* tif) const noexcept {
        if (tif) TIFFClose(tif);
    }
};
using TiffPtr = std::unique_ptr<TIFF, TiffCloser>;

// Opens `path` with libtiff `mode` ("r" or "w"); null on failure, without any message.
TiffPtr OpenTiffQuietly(const std::string& path, const char* mode);
