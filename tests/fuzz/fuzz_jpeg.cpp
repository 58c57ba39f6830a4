// Fuzz target of the JPEG reader.
#include "fuzz_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return FuzzReadPicture(kImageTypeJpeg, data, size, true);
}
