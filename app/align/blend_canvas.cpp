#include "blend_canvas.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>

namespace {

// Exact division of a value below 2^16 by d = 1 ... 256 as a multiply and a shift:
// q = (v * ceil(2^32 / d)) >> 32. The error of the rounded-up reciprocal stays below 2^-16,
// less than the distance of v / d to the next integer, so q is the truncated quotient.
struct Reciprocals {
    std::array<std::uint64_t, 257> m{};
    Reciprocals() {
        for (std::uint64_t d = 1; d <= 256; ++d) m[d] = ((std::uint64_t{1} << 32) + d - 1) / d;
    }
};
const Reciprocals kReciprocals;

inline std::uint8_t DivideBy(unsigned value, unsigned divisor) {
    return static_cast<std::uint8_t>((value * kReciprocals.m[divisor]) >> 32);
}

// Half mix of one pixel: the source where nothing was drawn, else the truncated halves.
inline void HalfMix(std::uint8_t* dst, const std::uint8_t* src, std::uint8_t count) {
    if (count == 0) {
        dst[0] = src[0], dst[1] = src[1], dst[2] = src[2];
    } else {
        dst[0] = static_cast<std::uint8_t>((dst[0] >> 1) + (src[0] >> 1));
        dst[1] = static_cast<std::uint8_t>((dst[1] >> 1) + (src[1] >> 1));
        dst[2] = static_cast<std::uint8_t>((dst[2] >> 1) + (src[2] >> 1));
    }
}

// One stripe colour (blue, green, red) for frame pixel (r, c): blue, red, green in turn.
inline void Stripe(std::uint8_t* dst, int r, int c) {
    const int k = (r + c) % 3;
    dst[0] = k == 0 ? 255 : 0;
    dst[1] = k == 2 ? 255 : 0;
    dst[2] = k == 1 ? 255 : 0;
}

inline bool InOuterFrame(int r, int c, int h, int w) {
    return r < 2 || r >= h - 2 || c < 2 || c >= w - 2;
}

// The inner frame of mode 5: rows 4, 5, h - 6, h - 5 over columns 5 ... w - 5, and columns
// 5, 6, w - 6, w - 5 over rows 5 ... h - 6.
inline bool InInnerFrame(int r, int c, int h, int w) {
    const bool row = (r == 4 || r == 5 || r == h - 6 || r == h - 5) && c >= 5 && c <= w - 5;
    const bool column = (c == 5 || c == 6 || c == w - 6 || c == w - 5) && r >= 5 && r <= h - 6;
    return row || column;
}

} // namespace

bool BlendCanvas::Resize(int width, int height) {
    width = std::max(0, RoundUp4(width));
    height = std::max(0, RoundUp4(height));
    const std::ptrdiff_t stride = (3 * static_cast<std::ptrdiff_t>(width) + 3) / 4 * 4;
    bool ok = true;
    try {
        m_colour.resize(static_cast<std::size_t>(stride) * height);
        m_coverage.resize(static_cast<std::size_t>(width) * height);
        m_colour.shrink_to_fit();
        m_coverage.shrink_to_fit();
    } catch (const std::bad_alloc&) {
        m_colour = {};
        m_coverage = {};
        width = height = 0;
        ok = false;
    }
    m_header.biWidth = width;
    m_header.biHeight = height;
    m_header.biSizeImage = static_cast<DWORD>(width * height * 3);
    m_stride = (3 * static_cast<std::ptrdiff_t>(width) + 3) / 4 * 4;
    return ok;
}

void BlendCanvas::Clear(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    const int w = Width(), h = Height();
    if (w == 0 || h == 0) return;
    std::uint8_t* first = m_colour.data();
    for (int x = 0; x < w; ++x)
        first[3 * x] = blue, first[3 * x + 1] = green, first[3 * x + 2] = red;
    for (int y = 1; y < h; ++y)
        std::memcpy(first + y * m_stride, first, 3 * static_cast<std::size_t>(w));
    std::fill(m_coverage.begin(), m_coverage.end(), std::uint8_t{0});
}

void BlendCanvas::Compose(const Bgr24View& picture, int x, int y, int mode,
                          const std::optional<CanvasRect>& clip, int scrollX, int scrollY) {
    if (!picture.bits || picture.width <= 0 || picture.height <= 0 || Width() == 0) return;
    if (mode < kComposeOpaque || mode > kComposeDoubleStripedFrame) return;
    x -= scrollX;
    y -= scrollY;
    if (clip) {
        x -= clip->left;
        y -= clip->top;
        if (mode == kComposeDoubleStripedFrame) x -= 4, y -= 4;
    }
    CanvasRect area{std::max(x, 0), std::max(y, 0), std::min(x + picture.width, Width()),
                    std::min(y + picture.height, Height())};
    if (clip) {
        area.left = std::max(area.left, clip->left + x);
        area.top = std::max(area.top, clip->top + y);
        area.right = std::min(area.right, clip->right + x);
        area.bottom = std::min(area.bottom, clip->bottom + y);
    }
    if (area.IsEmpty()) return;
    const int h = area.bottom - area.top, w = area.right - area.left;
    const bool framed = mode >= kComposeInvertedFrame;
    if (framed && (h <= 3 || w <= 3)) return;

    for (int r = 0; r < h; ++r) {
        const int canvasY = area.top + r;
        std::uint8_t* dst = m_colour.data() + (Height() - 1 - canvasY) * m_stride + 3 * area.left;
        std::uint8_t* count = m_coverage.data() +
                              static_cast<std::size_t>(Height() - 1 - canvasY) * Width() +
                              area.left;
        const std::uint8_t* src = picture.Row(canvasY - y) + 3 * (area.left - x);
        switch (mode) {
        case kComposeOpaque:
            std::memcpy(dst, src, 3 * static_cast<std::size_t>(w));
            for (int c = 0; c < w; ++c) ++count[c];
            break;
        case kComposeHalfMix:
            for (int c = 0; c < w; ++c, dst += 3, src += 3) HalfMix(dst, src, count[c]++);
            break;
        case kComposeAverage:
            for (int c = 0; c < w; ++c, dst += 3, src += 3) {
                const unsigned n = count[c]++;
                if (n == 0) {
                    dst[0] = src[0], dst[1] = src[1], dst[2] = src[2];
                } else {
                    dst[0] = DivideBy(n * dst[0] + src[0], n + 1);
                    dst[1] = DivideBy(n * dst[1] + src[1], n + 1);
                    dst[2] = DivideBy(n * dst[2] + src[2], n + 1);
                }
            }
            break;
        default: // framed modes: frame pixels marked, the inside half-mixed
            for (int c = 0; c < w; ++c, dst += 3, src += 3) {
                const std::uint8_t n = count[c]++;
                if (InOuterFrame(r, c, h, w)) {
                    if (mode == kComposeInvertedFrame) {
                        for (int k = 0; k < 3; ++k)
                            dst[k] = static_cast<std::uint8_t>(((dst[k] ^ 255u) * 4u) & 255u);
                    } else {
                        Stripe(dst, r, c);
                    }
                } else if (mode == kComposeDoubleStripedFrame && InInnerFrame(r, c, h, w)) {
                    Stripe(dst, r, c);
                } else {
                    HalfMix(dst, src, n);
                }
            }
            break;
        }
    }
}
