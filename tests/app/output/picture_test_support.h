// Helpers of the picture-layer tests: a recorder for the layer's message boxes, a scratch
// folder, and byte-level file helpers.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "image_impl.h"
#include "picture_prompt.h"

// Records every box the picture layer shows while it lives.
class PromptRecorder {
public:
    PromptRecorder() {
        SetPicturePrompt([this](std::string_view text, std::string_view caption, unsigned) {
            texts.emplace_back(text);
            captions.emplace_back(caption);
            return kPictureIdOk;
        });
    }
    ~PromptRecorder() { SetPicturePrompt({}); }
    PromptRecorder(const PromptRecorder&) = delete;
    PromptRecorder& operator=(const PromptRecorder&) = delete;

    std::vector<std::string> texts;
    std::vector<std::string> captions;
};

// A folder of its own for each test, removed afterwards.
class ScratchDir {
public:
    ScratchDir() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_path = std::filesystem::temp_directory_path() /
                 ("quilt_pictures_" + std::string(info->test_suite_name()) + "_" + info->name() +
                  "_" + std::to_string(::getpid()));
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    std::string File(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
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
