// Small helpers shared by the file readers and writers: an owning FILE handle and
// little-endian field access.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "stitchkit/Dib.h"

struct FileCloser {
    void operator()(std::FILE* file) const noexcept {
        if (file) std::fclose(file);
    }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

inline FilePtr OpenFile(const std::string& path, const char* mode) {
    return FilePtr(std::fopen(path.c_str(), mode));
}

// Closes the file and tells whether everything written to it reached it.
inline bool CloseWritten(FilePtr file) {
    std::FILE* raw = file.release();
    const bool clean = std::ferror(raw) == 0;
    return std::fclose(raw) == 0 && clean;
}

// Size of an open regular file in bytes, or -1 (also for directories and devices, whose
// "size" means nothing); the position is left at the start.
inline std::int64_t FileSize(std::FILE* file) {
    struct stat status {};
    if (fstat(fileno(file), &status) != 0 || !S_ISREG(status.st_mode)) return -1;
    if (fseeko(file, 0, SEEK_END) != 0) return -1;
    const std::int64_t size = ftello(file);
    if (fseeko(file, 0, SEEK_SET) != 0) return -1;
    return size;
}

inline std::uint16_t GetLe16(const BYTE* bytes) {
    return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}
inline std::uint32_t GetLe32(const BYTE* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
           (static_cast<std::uint32_t>(bytes[2]) << 16) |
           (static_cast<std::uint32_t>(bytes[3]) << 24);
}
inline void PutLe16(BYTE* bytes, std::uint32_t value) {
    bytes[0] = static_cast<BYTE>(value & 0xFF);
    bytes[1] = static_cast<BYTE>((value >> 8) & 0xFF);
}
inline void PutLe32(BYTE* bytes, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<BYTE>((value >> (8 * i)) & 0xFF);
}
