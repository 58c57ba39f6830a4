// CDib: a small in-memory device-independent bitmap (header with palette, bottom-up pixel rows
// padded to 4 bytes) that holds the before and after previews of the correction windows, with
// creation, copying, drawing into a destination rectangle and bilinear fitting.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include <QRect>

#include "stitchkit/Dib.h"

class QPainter;

class CDib {
public:
    CDib() = default;
    CDib(const CDib& other) { Copy(other); }
    CDib& operator=(const CDib& other) {
        if (this != &other) Copy(other);
        return *this;
    }

    // Palette entries for a bit depth: 1 -> 2, 4 -> 16, 8 -> 256, others 0.
    static int PaletteEntries(int bitsPerPixel);

    // A new all-zero picture; false (and no picture) for a size or depth that cannot be made.
    bool Create(int width, int height, int bitsPerPixel);
    // Copies a header (with its palette following it, sized by its bit depth) and the rows.
    bool SetFrom(const BITMAPINFOHEADER* header, const std::uint8_t* bits);
    void Copy(const CDib& other);

    bool GetSize(int* width, int* height) const;
    bool IsValid() const { return !m_info.empty(); }
    const BITMAPINFOHEADER* Header() const {
        return IsValid() ? reinterpret_cast<const BITMAPINFOHEADER*>(m_info.data()) : nullptr;
    }
    BITMAPINFOHEADER* Header() {
        return IsValid() ? reinterpret_cast<BITMAPINFOHEADER*>(m_info.data()) : nullptr;
    }
    RGBQUAD* Palette() {
        return IsValid() ? reinterpret_cast<RGBQUAD*>(m_info.data() + sizeof(BITMAPINFOHEADER))
                         : nullptr;
    }
    std::uint8_t* Bits() { return m_bits.data(); }
    const std::uint8_t* Bits() const { return m_bits.data(); }
    std::int64_t RowLength() const;
    std::size_t ImageBytes() const { return m_bits.size(); }

    void SetDestination(int x, int y, int width, int height) {
        m_dest = QRect(x, y, width, height);
    }
    void SetVisible(bool visible) { m_visible = visible; }
    bool IsVisible() const { return m_visible; }
    void SetZoom(double zoom) { m_zoom = zoom; }
    double Zoom() const { return m_zoom; }
    QRect Source() const { return m_source; }
    QRect Destination() const { return m_dest; }
    // The rectangle draw paints: the destination, sized source x zoom when the zoom is not 1.
    QRect DrawRect() const;

    // Copies the source rectangle onto the destination rectangle (nearest-pixel stretching).
    void Draw(QPainter& painter) const;

    // The picture scaled to fit inside width x height with its aspect kept, as a 24-bit picture
    // sampled bilinearly into `out` (pictures of other depths go through their palette first).
    bool FitInto(int width, int height, CDib& out) const;

    // Colour (red, green, blue) of pixel (x, y), y from the top.
    void PixelRgb(int x, int y, std::uint8_t rgb[3]) const;

private:
    std::vector<std::uint8_t> m_info; // header then palette
    std::vector<std::uint8_t> m_bits;
    bool m_visible = true;
    QRect m_dest;
    QRect m_source;
    double m_zoom = 1.0;
};
