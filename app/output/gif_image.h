// GIF files: reading of the first image of a GIF87a or GIF89a file (global or local colour
// table, interlaced or not) with our own LZW decoder; writing of GIF87a files of pictures of
// 8 bits per pixel or fewer with our own LZW encoder.
#pragma once

#include "image_impl.h"

class CGifImage : public CImageImpl {
public:
    CGifImage() : CImageImpl(kImageTypeGif) {}

protected:
    bool ReadImage(const std::string& path, DibImage& dib) override;
    bool WriteImage(const std::string& path) override;
};
