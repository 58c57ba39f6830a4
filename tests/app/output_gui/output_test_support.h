// Helpers of the saving and printing tests: settings kept in memory for one test, a scratch
// folder (tests/support), and small pictures of known content.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "image_impl.h"
#include "stitchkit/Host.h"
#include "support/scratch_dir.h"

// A profile store of its own for each test, so no test sees another's remembered folder.
class MemoryStore final : public stitchkit::IProfileStore {
public:
    int GetInt(const std::string& s, const std::string& n, int fallback) override {
        const auto it = values.find(s + "/" + n);
        return it == values.end() ? fallback : std::stoi(it->second);
    }
    void WriteInt(const std::string& s, const std::string& n, int value) override {
        values[s + "/" + n] = std::to_string(value);
    }
    std::string GetString(const std::string& s, const std::string& n,
                          const std::string& fallback) override {
        const auto it = values.find(s + "/" + n);
        return it == values.end() ? fallback : it->second;
    }
    void WriteString(const std::string& s, const std::string& n, const std::string& v) override {
        values[s + "/" + n] = v;
    }
    std::map<std::string, std::string> values;
};

struct ScopedStore {
    std::shared_ptr<MemoryStore> store = std::make_shared<MemoryStore>();
    ScopedStore() { stitchkit::SetProfileStore(store); }
    ~ScopedStore() { stitchkit::SetProfileStore(nullptr); }
    std::map<std::string, std::string>& values() { return store->values; }
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
