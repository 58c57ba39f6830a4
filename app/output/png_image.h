// PNG files through libpng. Reading composes transparent pixels over the colour
// (31, 127, 255) and reduces 16-bit samples to 8 bits; palette and grey files become 8-bit
// palette pictures, the rest 24-bit pictures. Writing keeps the picture's depth.
#pragma once

#include "image_impl.h"

class CPngImage : public CImageImpl {
public:
    CPngImage() : CImageImpl(kImageTypePng) {}

protected:
    bool ReadImage(const std::string& path, DibImage& dib) override;
    bool WriteImage(const std::string& path) override;
};
