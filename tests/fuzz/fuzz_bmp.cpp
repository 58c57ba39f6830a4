// Fuzz target of the BMP reader.
#include "fuzz_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return FuzzReadPicture(kImageTypeBmp, data, size, false);
}
