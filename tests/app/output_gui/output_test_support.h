// Helpers of the saving and printing tests: settings kept in memory for one test, a scratch
// folder (tests/support), and small pictures of known content.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "image_impl.h"
#include "stitchkit/Host.h"
#include "support/scratch_dir.h"

// The engine's store of values in memory, fresh for each test, so that no test sees another's
// remembered folder.
struct ScopedStore {
    ScopedStore() { stitchkit::SetProfileStore(nullptr); }
    ~ScopedStore() { stitchkit::SetProfileStore(nullptr); }
    // A value the save dialog remembers, "" when none was.
    std::string Saved(const std::string& name) {
        return stitchkit::ProfileStore().GetString("SaveFilePath", name, "");
    }
};

inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// A 24-bit picture held by the bitmap class: blue = x, green = y, red = 200 at (x, y); with
// `sixteen`, a low-byte plane of 0x5A in every sample.
inline std::unique_ptr<CImageImpl> MakePicture(int width, int height, bool sixteen = false) {
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    const auto stride = static_cast<std::size_t>(DibStride(width, 24));
    std::vector<BYTE> bits(stride * static_cast<std::size_t>(height));
    std::vector<BYTE> lower(bits.size(), 0x5A);
    for (int y = 0; y < height; ++y) {
        BYTE* row = bits.data() + static_cast<std::size_t>(height - 1 - y) * stride;
        for (int x = 0; x < width; ++x) {
            row[3 * x] = static_cast<BYTE>(x);
            row[3 * x + 1] = static_cast<BYTE>(y);
            row[3 * x + 2] = 200;
        }
    }
    return CImageImpl::FromBitmap(header, bits.data(), sixteen ? lower.data() : nullptr, nullptr,
                                  kImageTypeBmp);
}
