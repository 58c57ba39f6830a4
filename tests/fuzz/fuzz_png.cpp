// Fuzz target of the PNG reader. Mutated chunks get their CRCs recomputed, so that mutations
// reach the chunk contents instead of stopping at libpng's checksum test.
#include <zlib.h>

#include "fuzz_reader.h"

extern "C" std::size_t LLVMFuzzerMutate(std::uint8_t* data, std::size_t size, std::size_t maxSize);

extern "C" std::size_t LLVMFuzzerCustomMutator(std::uint8_t* data, std::size_t size,
                                               std::size_t maxSize, unsigned int /*seed*/) {
    size = LLVMFuzzerMutate(data, size, maxSize);
    std::size_t pos = 8; // after the signature
    while (pos + 12 <= size) {
        const std::uint32_t length = (std::uint32_t{data[pos]} << 24) |
                                     (std::uint32_t{data[pos + 1]} << 16) |
                                     (std::uint32_t{data[pos + 2]} << 8) | data[pos + 3];
        if (length > size - pos - 12) break;
        const std::uint32_t crc =
            static_cast<std::uint32_t>(crc32(0, data + pos + 4, static_cast<uInt>(length) + 4));
        std::uint8_t* out = data + pos + 8 + length;
        out[0] = static_cast<std::uint8_t>(crc >> 24);
        out[1] = static_cast<std::uint8_t>(crc >> 16);
        out[2] = static_cast<std::uint8_t>(crc >> 8);
        out[3] = static_cast<std::uint8_t>(crc);
        pos += 12 + length;
    }
    return size;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return FuzzReadPicture(kImageTypePng, data, size, false);
}
