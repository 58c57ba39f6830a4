// JPEG files through libjpeg: reading of grey and colour files, writing of baseline colour
// files at the picture's quality.
#pragma once

#include "image_impl.h"

class CJpegImage : public CImageImpl {
public:
    CJpegImage() : CImageImpl(kImageTypeJpeg) {}

protected:
    bool ReadImage(const std::string& path, DibImage& dib) override;
    bool WriteImage(const std::string& path) override;
};
