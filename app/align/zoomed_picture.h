// A picture as the image viewer draws it: any part of it at any zoom, made on demand for the
// visible area only, so a zoomed view of a large panorama never holds a full-size scaled copy.
// Below 50 % the part is sampled from a pyramid of halved copies (each at most a third of the
// picture's size in all), so every repaint reads about as many pixels as it shows.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "blend_canvas.h"

class CImageImpl;

class ZoomedPicture {
public:
    ZoomedPicture() = default;
    // Views a picture (kept by the caller). 24-bit pictures are read in place; pictures of
    // other depths are converted to 24 bits once. False when the picture is invalid or memory
    // runs out.
    bool SetPicture(const CImageImpl* picture);
    void Reset();
    bool IsEmpty() const { return m_source.bits == nullptr; }
    int Width() const { return m_source.width; }
    int Height() const { return m_source.height; }

    // The part `area` of the picture scaled by `zoom` (area in scaled pixels, inside
    // [0, width x zoom) x [0, height x zoom)), as a 24-bit bottom-up bitmap held in `tile`.
    // Magnified parts repeat pixels (what pixel peeping expects); reduced parts are sampled
    // bilinearly from the pyramid level nearest above the zoom.
    Bgr24View Render(float zoom, const CanvasRect& area, std::vector<std::uint8_t>& tile);

    // Bytes held besides the picture itself (converted copy and pyramid).
    std::size_t ExtraBytes() const;

private:
    struct Level {
        std::vector<std::uint8_t> bits;
        Bgr24View view;
    };
    const Bgr24View& LevelFor(int level);

    Bgr24View m_source;
    std::vector<std::uint8_t> m_converted;
    std::vector<Level> m_pyramid; // m_pyramid[k] is the picture halved k + 1 times
};
