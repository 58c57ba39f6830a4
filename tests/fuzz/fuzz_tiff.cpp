// Fuzz target of the TIFF reader.
#include "fuzz_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return FuzzReadPicture(kImageTypeTiff, data, size, true);
}
