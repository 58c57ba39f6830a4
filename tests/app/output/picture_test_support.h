// Helpers of the picture-layer tests: a recorder for the layer's message boxes, a scratch
// folder, byte-level file helpers, and files written with the format libraries directly.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "image_impl.h"
#include "picture_prompt.h"
#include "support/picture_files.h"
#include "support/scratch_dir.h"

// Records the text of every box the picture layer shows while it lives.
class PromptRecorder {
public:
    PromptRecorder() {
        SetPicturePrompt([this](std::string_view text, std::string_view, unsigned) {
            texts.emplace_back(text);
            return kPictureIdOk;
        });
    }
    ~PromptRecorder() { SetPicturePrompt({}); }
    PromptRecorder(const PromptRecorder&) = delete;
    PromptRecorder& operator=(const PromptRecorder&) = delete;

    std::vector<std::string> texts;
};

using Bytes = std::vector<std::uint8_t>;

inline std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

inline void AppendLe16(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
    bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

inline void AppendLe32(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
    AppendLe16(bytes, value & 0xFFFF);
    AppendLe16(bytes, value >> 16);
}

// Pixel (x, y from the top) of a 24-bit picture as red, green, blue.
struct Rgb {
    int r, g, b;
    bool operator==(const Rgb&) const = default;
};
inline Rgb PixelAt(const CImageImpl& picture, int x, int y) {
    const BYTE* p = picture.GetRow(y) + 3 * x;
    return {p[2], p[1], p[0]};
}
inline void SetPixel(CImageImpl& picture, int x, int y, Rgb colour) {
    BYTE* p = picture.GetRow(y) + 3 * x;
    p[0] = static_cast<BYTE>(colour.b);
    p[1] = static_cast<BYTE>(colour.g);
    p[2] = static_cast<BYTE>(colour.r);
}
inline std::ostream& operator<<(std::ostream& out, const Rgb& c) {
    return out << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

// A TIFF of `samples` 16-bit samples per pixel, row by row, written with libtiff.
inline void WriteTiff16(const std::string& path, int width, int height, int samples,
                        const std::vector<std::uint16_t>& values, std::uint16_t photometric) {
    ASSERT_TRUE(picture_files::WriteTiff(
        path, width, height, samples, 16, photometric,
        [&](int x, int y, int c) { return values[(y * width + x) * samples + c]; }));
}
