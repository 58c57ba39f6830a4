#include "dib.h"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

int CDib::PaletteEntries(int bitsPerPixel) {
    switch (bitsPerPixel) {
    case 1:
        return 2;
    case 4:
        return 16;
    case 8:
        return 256;
    default:
        return 0;
    }
}

std::int64_t CDib::RowLength() const {
    const BITMAPINFOHEADER* h = Header();
    return h ? DibStride(h->biWidth, h->biBitCount) : 0;
}

bool CDib::Create(int width, int height, int bitsPerPixel) {
    m_info.clear();
    m_bits.clear();
    const bool depthOk = bitsPerPixel == 1 || bitsPerPixel == 4 || bitsPerPixel == 8 ||
                         bitsPerPixel == 16 || bitsPerPixel == 24 || bitsPerPixel == 32;
    if (width <= 0 || height <= 0 || !depthOk) return false;
    const std::int64_t bytes = DibStride(width, bitsPerPixel) * height;
    if (bytes > (std::int64_t{1} << 31)) return false;
    const int entries = PaletteEntries(bitsPerPixel);
    try {
        m_info.assign(sizeof(BITMAPINFOHEADER) + 4 * static_cast<std::size_t>(entries), 0);
        m_bits.assign(static_cast<std::size_t>(bytes), 0);
    } catch (const std::bad_alloc&) {
        m_info.clear();
        m_bits.clear();
        return false;
    }
    BITMAPINFOHEADER* h = Header();
    h->biSize = sizeof(BITMAPINFOHEADER);
    h->biWidth = width;
    h->biHeight = height;
    h->biPlanes = 1;
    h->biBitCount = static_cast<WORD>(bitsPerPixel);
    h->biCompression = BI_RGB;
    h->biClrUsed = static_cast<DWORD>(entries);
    m_source = QRect(0, 0, width, height);
    return true;
}

bool CDib::SetFrom(const BITMAPINFOHEADER* header, const std::uint8_t* bits) {
    if (!header || !bits || header->biHeight <= 0) return false;
    if (!Create(header->biWidth, header->biHeight, header->biBitCount)) return false;
    std::memcpy(m_info.data(), header, m_info.size());
    Header()->biSize = sizeof(BITMAPINFOHEADER);
    std::memcpy(m_bits.data(), bits, m_bits.size());
    return true;
}

void CDib::Copy(const CDib& other) {
    m_info = other.m_info;
    m_bits = other.m_bits;
    m_visible = other.m_visible;
    m_dest = other.m_dest;
    m_source = other.m_source;
    m_zoom = other.m_zoom;
}

bool CDib::GetSize(int* width, int* height) const {
    const BITMAPINFOHEADER* h = Header();
    if (!h) return false;
    if (width) *width = h->biWidth;
    if (height) *height = h->biHeight;
    return true;
}

QRect CDib::DrawRect() const {
    if (m_zoom == 1.0) return m_dest;
    return QRect(m_dest.topLeft(), QSize(static_cast<int>(m_source.width() * m_zoom),
                                         static_cast<int>(m_source.height() * m_zoom)));
}

void CDib::PixelRgb(int x, int y, std::uint8_t rgb[3]) const {
    const BITMAPINFOHEADER* h = Header();
    const std::uint8_t* row = m_bits.data() + (h->biHeight - 1 - y) * RowLength();
    const auto* palette =
        reinterpret_cast<const RGBQUAD*>(m_info.data() + sizeof(BITMAPINFOHEADER));
    int index = -1;
    switch (h->biBitCount) {
    case 24:
    case 32: {
        const std::uint8_t* p = row + x * (h->biBitCount / 8);
        rgb[0] = p[2], rgb[1] = p[1], rgb[2] = p[0];
        return;
    }
    case 16: { // 5-5-5
        const unsigned v = row[2 * x] | (row[2 * x + 1] << 8);
        rgb[0] = static_cast<std::uint8_t>(((v >> 10) & 31) * 255 / 31);
        rgb[1] = static_cast<std::uint8_t>(((v >> 5) & 31) * 255 / 31);
        rgb[2] = static_cast<std::uint8_t>((v & 31) * 255 / 31);
        return;
    }
    case 8:
        index = row[x];
        break;
    case 4:
        index = (row[x / 2] >> (x % 2 ? 0 : 4)) & 15;
        break;
    case 1:
        index = (row[x / 8] >> (7 - x % 8)) & 1;
        break;
    }
    const RGBQUAD q = palette[index];
    rgb[0] = q.rgbRed, rgb[1] = q.rgbGreen, rgb[2] = q.rgbBlue;
}

void CDib::Draw(QPainter& painter) const {
    if (!m_visible || !IsValid()) return;
    const BITMAPINFOHEADER* h = Header();
    QImage image(h->biWidth, h->biHeight, QImage::Format_RGB888);
    if (image.isNull()) return;
    for (int y = 0; y < h->biHeight; ++y) {
        std::uint8_t* line = image.scanLine(y);
        if (h->biBitCount == 24) {
            const std::uint8_t* row = m_bits.data() + (h->biHeight - 1 - y) * RowLength();
            for (int x = 0; x < h->biWidth; ++x)
                line[3 * x] = row[3 * x + 2], line[3 * x + 1] = row[3 * x + 1],
                         line[3 * x + 2] = row[3 * x];
        } else {
            for (int x = 0; x < h->biWidth; ++x) PixelRgb(x, y, line + 3 * x);
        }
    }
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false); // colour-on-colour stretching
    painter.drawImage(DrawRect(), image, m_source);
    painter.restore();
}

bool CDib::FitInto(int width, int height, CDib& out) const {
    int w = 0, h = 0;
    if (!GetSize(&w, &h) || width <= 0 || height <= 0) return false;
    const double scale = std::min(static_cast<double>(width) / w, static_cast<double>(height) / h);
    const int ow = std::max(1, static_cast<int>(w * scale)),
              oh = std::max(1, static_cast<int>(h * scale));
    CDib result;
    if (!result.Create(ow, oh, 24)) return false;
    const std::int64_t stride = result.RowLength();
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(3) * w * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            PixelRgb(x, y, rgb.data() + 3 * (static_cast<std::size_t>(y) * w + x));
    auto at = [&](int x, int y, int c) {
        return static_cast<double>(rgb[3 * (static_cast<std::size_t>(y) * w + x) + c]);
    };
    for (int oy = 0; oy < oh; ++oy) {
        const double sy = std::min<double>(h - 1, oy / scale);
        const int y0 = static_cast<int>(std::floor(sy)), y1 = std::min(h - 1, y0 + 1);
        const double fy = sy - y0;
        std::uint8_t* row = result.Bits() + (oh - 1 - oy) * stride;
        for (int ox = 0; ox < ow; ++ox) {
            const double sx = std::min<double>(w - 1, ox / scale);
            const int x0 = static_cast<int>(std::floor(sx)), x1 = std::min(w - 1, x0 + 1);
            const double fx = sx - x0;
            for (int c = 0; c < 3; ++c) {
                const double top = at(x0, y0, c) + (at(x1, y0, c) - at(x0, y0, c)) * fx;
                const double bottom = at(x0, y1, c) + (at(x1, y1, c) - at(x0, y1, c)) * fx;
                double v = top + (bottom - top) * fy;
                if (v >= 255.0) v = 255.0;
                row[3 * ox + 2 - c] = static_cast<std::uint8_t>(v); // stored blue, green, red
            }
        }
    }
    result.m_visible = m_visible;
    result.m_dest = m_dest;
    result.m_zoom = m_zoom;
    out = std::move(result);
    return true;
}
