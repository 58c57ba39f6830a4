// The body shared by the reader fuzz targets: the input is written to a file of this process
// and read by the picture layer exactly as a user's file would be; a picture that reads is
// then thumbnailed, cropped and probed, so that a lying header that slipped through shows.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "exif_focal.h"
#include "image_impl.h"
#include "picture_prompt.h"

// The file each input is written to. It lives in memory where it can (/dev/shm): rewriting a
// file on a disk for every input makes some file systems flush it each time, at a twentieth of
// the speed. It is removed after each input.
inline const std::string& FuzzFilePath() {
    static const std::string path = [] {
        const char* dir = std::getenv("TMPDIR");
        std::string folder = dir && *dir ? dir : "/tmp";
        if (!(dir && *dir) && ::access("/dev/shm", W_OK) == 0) folder = "/dev/shm";
        return folder + "/quilt_fuzz_" + std::to_string(::getpid());
    }();
    return path;
}

// Writes the input to FuzzFilePath(); false when it cannot.
inline bool WriteFuzzFile(const std::uint8_t* data, std::size_t size) {
    std::FILE* file = std::fopen(FuzzFilePath().c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}

inline int FuzzReadPicture(int type, const std::uint8_t* data, std::size_t size, bool exif) {
    static const bool quiet = [] {
        SetPicturePrompt([](std::string_view, std::string_view, unsigned) { return 1; });
        return true;
    }();
    (void)quiet;
    const std::string& path = FuzzFilePath();
    if (!WriteFuzzFile(data, size)) return 0;

    std::unique_ptr<CImageImpl> picture = CImageImpl::New(type);
    // Keeps a single input from asking for gigabytes; the limit is checked before allocation.
    picture->SetPixelLimit(std::int64_t{1} << 20);
    if (picture->ReadFile(path)) {
        const int width = picture->GetWidth();
        const int height = picture->GetHeight();
        if (width <= 0 || height <= 0) __builtin_trap();
        volatile int sink = picture->GetPixelIndex(width - 1, height - 1);
        (void)sink;
        std::unique_ptr<CImageImpl> thumb = picture->MakeThumbnail(16, 16);
        std::unique_ptr<CImageImpl> crop = picture->Crop(width / 2, height / 2, width, height);
        if (!thumb || !crop) __builtin_trap();
    }
    if (exif) (void)ReadExifFocalFields(path);
    ::unlink(path.c_str());
    return 0;
}
