#include "tiff_handle.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>

namespace {

// The largest single block libtiff may allocate for one file (strip and tile buffers,
// directory arrays). Uncompressed single-strip files are read in chopped strips and never
// need one of this size.
constexpr tmsize_t kLargestLibraryBlock = tmsize_t{1} << 30;

// Returning 1 keeps the message from the process-wide handlers.
int SilentHandler(TIFF* /*tif*/, void* /*user*/, const char* /*module*/, const char* /*fmt*/,
                  va_list /*args*/) {
    return 1;
}

} // namespace

TiffPtr OpenTiffQuietly(const std::string& path, const char* mode) {
    // libtiff reports a file that cannot be opened before our handlers are attached, so that
    // case is checked here first (a file to be written is created, as libtiff would).
    std::FILE* probe = std::fopen(path.c_str(), mode[0] == 'r' ? "rb" : "ab");
    if (!probe) return nullptr;
    std::fclose(probe);
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options) return nullptr;
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, kLargestLibraryBlock);
    TIFFOpenOptionsSetErrorHandlerExtR(options, SilentHandler, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options, SilentHandler, nullptr);
    TiffPtr tif(TIFFOpenExt(path.c_str(), mode, options));
    TIFFOpenOptionsFree(options);
    return tif;
}
