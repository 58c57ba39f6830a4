// BMP files: reading of Windows and OS/2 bitmaps (1, 4, 8, 16, 24 and 32 bits, RLE4 and RLE8),
// writing of uncompressed bitmaps.
#pragma once

#include "image_impl.h"

class CBmpImage : public CImageImpl {
public:
    CBmpImage() : CImageImpl(kImageTypeBmp) {}

protected:
    bool ReadImage(const std::string& path, DibImage& dib) override;
    bool WriteImage(const std::string& path) override;
};

// Expands RLE8 (bitCount 8) or RLE4 (bitCount 4) data into the rows of `dib`, whose pixels are
// zero: row 0 of the data is the bottom row. Runs and deltas that leave the picture are
// clipped. False when the data end inside an instruction.
bool DecodeBmpRle(std::span<const BYTE> data, int bitCount, DibImage& dib);
