// TIFF files through libtiff. Files of 16 bits per sample (grey or RGB, in strips) are read
// with all 16 bits: the high bytes into the picture, the low bytes into its low-byte plane.
// Every other file libtiff can decode is read as a 24-bit picture. Writing is uncompressed:
// 16-bit grey, 16-bit RGB or 8-bit RGB by the picture's kind.
#pragma once

#include "image_impl.h"

class CTiffImage : public CImageImpl {
public:
    CTiffImage() : CImageImpl(kImageTypeTiff) {}

protected:
    bool ReadImage(const std::string& path, DibImage& dib) override;
    bool WriteImage(const std::string& path) override;
};
