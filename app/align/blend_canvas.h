// The off-screen canvas of every picture view: 24-bit bottom-up rows (blue, green, red, each
// row padded to 4 bytes) and one coverage count per pixel, with the one composition routine
// that draws a picture into it. Plain C++ so that its rules are tested without a window.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "stitchkit/Dib.h"

// A read-only view of a 24-bit bottom-up picture (rows padded to `stride` bytes).
struct Bgr24View {
    const std::uint8_t* bits = nullptr;
    int width = 0;
    int height = 0;
    std::ptrdiff_t stride = 0;

    // Row `y` counted from the top.
    const std::uint8_t* Row(int y) const { return bits + (height - 1 - y) * stride; }
};

struct CanvasRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool IsEmpty() const { return right <= left || bottom <= top; }
};

// Compose modes.
inline constexpr int kComposeOpaque = 0;
inline constexpr int kComposeHalfMix = 1;
inline constexpr int kComposeAverage = 2;
inline constexpr int kComposeInvertedFrame = 3;
inline constexpr int kComposeStripedFrame = 4;
inline constexpr int kComposeDoubleStripedFrame = 5;

class BlendCanvas {
public:
    static constexpr std::uint8_t kDefaultGrey = 222;

    // Sizes the canvas; each dimension is rounded up to a multiple of 4. Contents are
    // undefined until cleared. False (and an empty canvas) when memory runs out.
    bool Resize(int width, int height);
    // A dimension rounded up to the next multiple of 4.
    static int RoundUp4(int value) { return (value + 3) / 4 * 4; }

    int Width() const { return m_header.biWidth; }
    int Height() const { return m_header.biHeight; }
    std::ptrdiff_t Stride() const { return m_stride; }
    const BITMAPINFOHEADER& Header() const { return m_header; }
    // The colour rows, bottom-up, as GDI keeps them.
    std::uint8_t* Bits() { return m_colour.data(); }
    const std::uint8_t* Bits() const { return m_colour.data(); }
    // Pixel (x, y) counted from the top-left corner: blue, green, red.
    const std::uint8_t* Pixel(int x, int y) const {
        return m_colour.data() + (Height() - 1 - y) * m_stride + 3 * x;
    }
    std::uint8_t Coverage(int x, int y) const {
        return m_coverage[static_cast<std::size_t>(Height() - 1 - y) * Width() + x];
    }

    void ClearToDefault() { Clear(kDefaultGrey, kDefaultGrey, kDefaultGrey); }
    void Clear(std::uint8_t red, std::uint8_t green, std::uint8_t blue);

    // Draws `picture` with its top-left corner at content position (x, y) minus the scroll
    // position. With a clip rectangle, only the part of the picture inside `clip` (picture
    // coordinates) is drawn, with that part's top-left corner at (x, y) (4 pixels further up
    // and left in mode 5, which leaves room for its frame).
    void Compose(const Bgr24View& picture, int x, int y, int mode,
                 const std::optional<CanvasRect>& clip = std::nullopt, int scrollX = 0,
                 int scrollY = 0);

private:
    BITMAPINFOHEADER m_header{40, 0, 0, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    std::ptrdiff_t m_stride = 0;
    std::vector<std::uint8_t> m_colour;
    std::vector<std::uint8_t> m_coverage;
};
