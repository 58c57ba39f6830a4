// Palette reduction of 24-bit bitmaps and palette text files.
#include "stitchkit/MFCBmpTool.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>

#include "core/memory.h"

namespace {

inline constexpr int kPaletteEntries = 256;

// The index of the palette colour nearest (squared RGB distance) to a colour; the first of
// equally near entries wins. Answers are cached by colour, since pictures repeat colours.
class NearestIndex {
public:
    explicit NearestIndex(const RGBQUAD* palette) : m_palette(palette) { m_keys.fill(kEmpty); }

    BYTE operator()(BYTE red, BYTE green, BYTE blue) {
        const std::uint32_t key = (std::uint32_t{red} << 16) | (std::uint32_t{green} << 8) | blue;
        const std::size_t slot = (key * 2654435761u) >> (32 - kCacheBits);
        if (m_keys[slot] == key) return m_values[slot];
        int best = 0;
        long bestDistance = -1;
        for (int i = 0; i < kPaletteEntries; ++i) {
            const long dr = long{m_palette[i].rgbRed} - red;
            const long dg = long{m_palette[i].rgbGreen} - green;
            const long db = long{m_palette[i].rgbBlue} - blue;
            const long d = dr * dr + dg * dg + db * db;
            if (bestDistance < 0 || d < bestDistance) {
                bestDistance = d;
                best = i;
                if (d == 0) break;
            }
        }
        m_keys[slot] = key;
        m_values[slot] = static_cast<BYTE>(best);
        return m_values[slot];
    }

private:
    static constexpr int kCacheBits = 14;
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu; // no 24-bit colour has this key
    const RGBQUAD* m_palette;
    std::array<std::uint32_t, std::size_t{1} << kCacheBits> m_keys;
    std::array<BYTE, std::size_t{1} << kCacheBits> m_values{};
};

// Writes `count` entries; false when the file cannot be opened or not all of it was written.
bool WritePalette(const RGBQUAD* palette, int count, const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    bool written = true;
    for (int i = 0; i < count && written; ++i)
        written = std::fprintf(file, "%2X %2X %2X\r", palette[i].rgbRed, palette[i].rgbGreen,
                               palette[i].rgbBlue) == 9;
    written = std::fflush(file) == 0 && std::ferror(file) == 0 && written;
    return std::fclose(file) == 0 && written;
}

} // namespace

CBmpAdapter* MFCBmpTool::GetFrom24To8BitImage(RGBQUAD* palette) {
    if (m_image == nullptr || palette == nullptr) return nullptr;
    const BITMAPINFOHEADER* source = m_image->GetHeader();
    const unsigned char* pixels = m_image->GetData();
    if (source == nullptr || pixels == nullptr) return nullptr;
    // Only uncompressed 24-bit pictures hold three bytes per pixel.
    if (source->biBitCount != 24 || source->biCompression != BI_RGB || source->biWidth <= 0 ||
        source->biHeight == 0)
        return nullptr;
    const std::int64_t width = source->biWidth;
    const std::int64_t rows =
        source->biHeight < 0 ? -std::int64_t{source->biHeight} : std::int64_t{source->biHeight};
    const std::int64_t sourceStride = DibStride(width, 24);
    const std::int64_t stride = DibStride(width, 8);
    if (stride * rows > 0xFFFFFFFFll) return nullptr;

    auto header = std::make_unique<BITMAPINFOHEADER>();
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = source->biWidth;
    header->biHeight = source->biHeight;
    header->biPlanes = 1;
    header->biBitCount = 8;
    header->biCompression = BI_RGB;
    header->biSizeImage = static_cast<DWORD>(stride * rows);
    header->biXPelsPerMeter = 0;
    header->biYPelsPerMeter = 0;
    header->biClrUsed = kPaletteEntries;
    header->biClrImportant = kPaletteEntries;

    // Zero-filled, so the row padding stays 0.
    auto* out = static_cast<unsigned char*>(NMalloc(static_cast<std::size_t>(stride * rows)));
    if (out == nullptr) return nullptr;
    auto nearest = std::make_unique<NearestIndex>(palette);
    for (std::int64_t r = 0; r < rows; ++r) {
        const unsigned char* src = pixels + r * sourceStride;
        unsigned char* dst = out + r * stride;
        for (std::int64_t c = 0; c < width; ++c, src += 3)
            dst[c] = (*nearest)(src[2], src[1], src[0]);
    }
    auto* adapter = new (std::nothrow) CBmpAdapter(header.get(), out, palette);
    if (adapter == nullptr) {
        std::free(out);
        return nullptr;
    }
    header.release();
    return adapter;
}

int MFCBmpTool::SavePaletteInTxt(const std::string& path) {
    if (m_image == nullptr) return -1;
    const BITMAPINFOHEADER* header = m_image->GetHeader();
    const RGBQUAD* palette = m_image->GetRgb();
    if (header == nullptr || palette == nullptr) return -1;
    const int bits = header->biBitCount;
    if (bits != 1 && bits != 2 && bits != 4 && bits != 8) return -1;
    // A palette holds 2^bits entries, or biClrUsed when that is set and no larger.
    const DWORD limit = DWORD{1} << bits;
    const int count = static_cast<int>(
        header->biClrUsed == 0 || header->biClrUsed > limit ? limit : header->biClrUsed);
    return WritePalette(palette, count, path) ? 0 : -1;
}

int MFCBmpTool::SavePaletteInTxt(const RGBQUAD* palette, int count, const std::string& path) {
    if (palette == nullptr || count < 0) return -1;
    return WritePalette(palette, count, path) ? 0 : -1;
}
