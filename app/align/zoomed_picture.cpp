#include "zoomed_picture.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "image_impl.h"

namespace {

std::ptrdiff_t Stride24(int width) {
    return (3 * static_cast<std::ptrdiff_t>(width) + 3) / 4 * 4;
}

// The picture halved: each pixel the mean of a 2 x 2 block (the last row or column of an odd
// size averaged with itself).
void Halve(const Bgr24View& src, std::vector<std::uint8_t>& bits, Bgr24View& out) {
    const int w = std::max(1, (src.width + 1) / 2), h = std::max(1, (src.height + 1) / 2);
    const std::ptrdiff_t stride = Stride24(w);
    bits.assign(static_cast<std::size_t>(stride) * h, 0);
    out = {bits.data(), w, h, stride};
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* a = src.Row(std::min(2 * y, src.height - 1));
        const std::uint8_t* b = src.Row(std::min(2 * y + 1, src.height - 1));
        std::uint8_t* d = bits.data() + (h - 1 - y) * stride;
        for (int x = 0; x < w; ++x) {
            const int x0 = 3 * std::min(2 * x, src.width - 1);
            const int x1 = 3 * std::min(2 * x + 1, src.width - 1);
            for (int k = 0; k < 3; ++k)
                d[3 * x + k] = static_cast<std::uint8_t>(
                    (a[x0 + k] + a[x1 + k] + b[x0 + k] + b[x1 + k] + 2) >> 2);
        }
    }
}

} // namespace

bool ZoomedPicture::SetPicture(const CImageImpl* picture) {
    Reset();
    if (!picture || !picture->IsValid()) return false;
    const int w = picture->GetWidth(), h = picture->GetHeight();
    if (picture->GetBitsPerPixel() == 24) {
        m_source = {picture->GetBits(), w, h, static_cast<std::ptrdiff_t>(picture->GetStride())};
        return true;
    }
    const std::ptrdiff_t stride = Stride24(w);
    try {
        m_converted.assign(static_cast<std::size_t>(stride) * h, 0);
    } catch (const std::bad_alloc&) {
        m_converted = {};
        return false;
    }
    for (int y = 0; y < h; ++y) {
        std::uint8_t* row = m_converted.data() + (h - 1 - y) * stride;
        picture->RowToRgb(y, row);
        for (int x = 0; x < w; ++x) std::swap(row[3 * x], row[3 * x + 2]);
    }
    m_source = {m_converted.data(), w, h, stride};
    return true;
}

void ZoomedPicture::Reset() {
    m_source = {};
    m_converted = {};
    m_pyramid.clear();
}

std::size_t ZoomedPicture::ExtraBytes() const {
    std::size_t bytes = m_converted.capacity();
    for (const Level& level : m_pyramid) bytes += level.bits.capacity();
    return bytes;
}

const Bgr24View& ZoomedPicture::LevelFor(int level) {
    while (static_cast<int>(m_pyramid.size()) < level) {
        const Bgr24View& from = m_pyramid.empty() ? m_source : m_pyramid.back().view;
        Level next;
        try {
            Halve(from, next.bits, next.view);
        } catch (const std::bad_alloc&) {
            break; // sample from the finest level there is
        }
        m_pyramid.push_back(std::move(next));
    }
    level = std::min(level, static_cast<int>(m_pyramid.size()));
    return level == 0 ? m_source : m_pyramid[level - 1].view;
}

Bgr24View ZoomedPicture::Render(float zoom, const CanvasRect& area,
                                std::vector<std::uint8_t>& tile) {
    if (IsEmpty() || zoom <= 0.0f || area.IsEmpty()) return {};
    const int w = area.right - area.left, h = area.bottom - area.top;
    const std::ptrdiff_t stride = Stride24(w);
    tile.resize(static_cast<std::size_t>(stride) * h);
    const Bgr24View out{tile.data(), w, h, stride};

    if (zoom >= 1.0f) {
        // Each shown pixel repeats the picture pixel it falls in.
        std::vector<int> columns(static_cast<std::size_t>(w));
        for (int x = 0; x < w; ++x)
            columns[x] =
                3 * std::min(m_source.width - 1,
                             static_cast<int>((area.left + x) / static_cast<double>(zoom)));
        for (int y = 0; y < h; ++y) {
            const int sy = std::min(m_source.height - 1,
                                    static_cast<int>((area.top + y) / static_cast<double>(zoom)));
            const std::uint8_t* src = m_source.Row(sy);
            std::uint8_t* dst = tile.data() + (h - 1 - y) * stride;
            for (int x = 0; x < w; ++x, dst += 3) std::memcpy(dst, src + columns[x], 3);
        }
        return out;
    }

    // The level whose scale 2^-k is the smallest one not below the zoom.
    int k = 0;
    while (std::ldexp(1.0, -(k + 1)) >= zoom && k < 30) ++k;
    const Bgr24View& level = LevelFor(k);
    // Shown pixels per level pixel: the zoom times the picture pixels each level pixel covers.
    const double scale = static_cast<double>(zoom) * m_source.width / level.width;
    const double scaleY = static_cast<double>(zoom) * m_source.height / level.height;

    struct Tap {
        int x0, x1;
        int f; // weight of x1 in 1/256
    };
    std::vector<Tap> taps(static_cast<std::size_t>(w));
    for (int x = 0; x < w; ++x) {
        const double sx = std::max(0.0, (area.left + x + 0.5) / scale - 0.5);
        const int x0 = std::min(level.width - 1, static_cast<int>(sx));
        taps[x] = {3 * x0, 3 * std::min(level.width - 1, x0 + 1),
                   static_cast<int>((sx - x0) * 256.0)};
    }
    for (int y = 0; y < h; ++y) {
        const double sy = std::max(0.0, (area.top + y + 0.5) / scaleY - 0.5);
        const int y0 = std::min(level.height - 1, static_cast<int>(sy));
        const int fy = static_cast<int>((sy - y0) * 256.0);
        const std::uint8_t* a = level.Row(y0);
        const std::uint8_t* b = level.Row(std::min(level.height - 1, y0 + 1));
        std::uint8_t* dst = tile.data() + (h - 1 - y) * stride;
        for (int x = 0; x < w; ++x, dst += 3) {
            const Tap t = taps[x];
            for (int c = 0; c < 3; ++c) {
                const int top = a[t.x0 + c] * (256 - t.f) + a[t.x1 + c] * t.f;
                const int bottom = b[t.x0 + c] * (256 - t.f) + b[t.x1 + c] * t.f;
                dst[c] = static_cast<std::uint8_t>((top * (256 - fy) + bottom * fy + 32768) >> 16);
            }
        }
    }
    return out;
}
