// Palette reduction: a 24-bit bitmap turned into an 8-bit one for a given 256-colour palette
// (every pixel the index of the nearest palette colour), and palettes written as text.
#pragma once

#include <string>

#include "stitchkit/BmpAdapter.h"
#include "stitchkit/Dib.h"
#include "stitchkit/Export.h"

class STITCHKIT_API MFCBmpTool {
public:
    MFCBmpTool() = default;
    MFCBmpTool(const MFCBmpTool&) = default;
    MFCBmpTool& operator=(const MFCBmpTool&) = default;
    virtual ~MFCBmpTool() = default;

    // The bitmap to work on (not owned).
    void SetImage(CBmpAdapter* image) { m_image = image; }
    CBmpAdapter* GetImage() const { return m_image; }

    // A new 8-bit adapter for the current 24-bit image with `palette` (256 entries, used as it
    // is, not copied). The caller owns the adapter (delete), its header (delete) and its pixel
    // rows (std::free). Null when there is no image, it has no header or pixels or is not an
    // uncompressed 24-bit bitmap, the palette is null, or memory runs out.
    CBmpAdapter* GetFrom24To8BitImage(RGBQUAD* palette);

    // Writes the current image's palette when it has one and 1, 2, 4 or 8 bits per pixel: the
    // 2^bits entries it holds, or biClrUsed when that is set and no larger. One line of 9
    // bytes per entry: "%2X %2X %2X\r" of red, green and blue. Returns 0 when the file was
    // written in full, -1 when there was nothing to write or the file could not be written.
    int SavePaletteInTxt(const std::string& path);
    // Writes `count` entries of `palette` the same way; nothing for a null palette. Returns 0
    // or -1 as above.
    int SavePaletteInTxt(const RGBQUAD* palette, int count, const std::string& path);

private:
    CBmpAdapter* m_image = nullptr;
};
