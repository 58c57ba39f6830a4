#include "gif_image.h"

#include <cstring>
#include <vector>

#include "gif_lzw.h"
#include "picture_io.h"
#include "picture_prompt.h"

namespace {

// Reads the whole file; GIF data are read front to back and the LZW stream must be joined
// from its sub-blocks anyway.
bool ReadWholeFile(const std::string& path, std::vector<BYTE>& bytes) {
    FilePtr file = OpenFile(path, "rb");
    if (!file) return false;
    const std::int64_t size = FileSize(file.get());
    if (size < 0) return false;
    try {
        bytes.resize(static_cast<std::size_t>(size));
    } catch (const std::bad_alloc&) {
        return false;
    }
    return std::fread(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
}

// A bounds-checked cursor over the file's bytes.
class Cursor {
public:
    explicit Cursor(std::span<const BYTE> bytes) : m_bytes(bytes) {}
    bool Has(std::size_t count) const { return m_bytes.size() - m_pos >= count; }
    const BYTE* Take(std::size_t count) {
        if (!Has(count)) return nullptr;
        const BYTE* at = m_bytes.data() + m_pos;
        m_pos += count;
        return at;
    }
    // Appends the data of a chain of sub-blocks to `out` (or skips them when out is null);
    // false when the chain is cut short.
    bool SubBlocks(std::vector<BYTE>* out) {
        for (;;) {
            const BYTE* length = Take(1);
            if (!length) return false;
            if (*length == 0) return true;
            const BYTE* data = Take(*length);
            if (!data) return false;
            if (out) out->insert(out->end(), data, data + *length);
        }
    }

private:
    std::span<const BYTE> m_bytes;
    std::size_t m_pos = 0;
};

std::vector<RGBQUAD> ColourTable(const BYTE* rgb, std::size_t count) {
    std::vector<RGBQUAD> entries(count);
    for (std::size_t i = 0; i < count; ++i)
        entries[i] = RGBQUAD{rgb[3 * i + 2], rgb[3 * i + 1], rgb[3 * i], 0};
    return entries;
}

// The order of the rows of an interlaced image: every 8th row from 0, every 8th from 4,
// every 4th from 2, every 2nd from 1.
class RowOrder {
public:
    RowOrder(int height, bool interlaced) : m_height(height), m_interlaced(interlaced) {}
    int Current() const { return m_row; }
    bool Done() const { return m_row >= m_height; }
    void Advance() {
        if (!m_interlaced) {
            ++m_row;
            return;
        }
        static constexpr int kStart[4] = {0, 4, 2, 1};
        static constexpr int kStep[4] = {8, 8, 4, 2};
        m_row += kStep[m_pass];
        while (m_row >= m_height && m_pass < 3) {
            ++m_pass;
            m_row = kStart[m_pass];
        }
    }

private:
    int m_height;
    bool m_interlaced;
    int m_pass = 0;
    int m_row = 0;
};

} // namespace

bool CGifImage::ReadImage(const std::string& path, DibImage& dib) {
    std::vector<BYTE> bytes;
    if (!ReadWholeFile(path, bytes)) return false;
    Cursor in(bytes);
    const BYTE* header = in.Take(13);
    if (!header || (std::memcmp(header, "GIF87a", 6) != 0 && std::memcmp(header, "GIF89a", 6) != 0))
        return false;
    std::vector<RGBQUAD> globalTable;
    if (header[10] & 0x80) {
        const std::size_t count = std::size_t{2} << (header[10] & 0x07);
        const BYTE* table = in.Take(3 * count);
        if (!table) return false;
        globalTable = ColourTable(table, count);
    }

    // Extensions are skipped up to the first image.
    for (;;) {
        const BYTE* introducer = in.Take(1);
        if (!introducer) return false;
        if (*introducer == 0x2C) break;
        if (*introducer != 0x21 || !in.Take(1) || !in.SubBlocks(nullptr)) return false;
    }
    const BYTE* descriptor = in.Take(9);
    if (!descriptor) return false;
    const int width = GetLe16(descriptor + 4);
    const int height = GetLe16(descriptor + 6);
    const BYTE flags = descriptor[8];
    std::vector<RGBQUAD> entries = globalTable;
    if (flags & 0x80) {
        const std::size_t count = std::size_t{2} << (flags & 0x07);
        const BYTE* table = in.Take(3 * count);
        if (!table) return false;
        entries = ColourTable(table, count);
    }
    if (entries.empty()) entries = GreyPalette(256);
    const BYTE* codeSize = in.Take(1);
    if (!codeSize) return false;
    if (*codeSize < kGifSmallestCodeSize || *codeSize > kGifLargestCodeSize) return false;
    std::vector<BYTE> data;
    if (!in.SubBlocks(&data)) return false;
    // Every code takes at least codeSize + 1 bits and stands for at most 4096 pixels: a
    // picture larger than the data can give is refused before it is allocated.
    const std::uint64_t mostCodes = data.size() * 8 / (*codeSize + 1u);
    if (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) >
        mostCodes * kGifLongestString)
        return false;

    DibImage made;
    if (!AllocateDib(made, width, height, 8, false)) return false;
    std::copy(entries.begin(), entries.end(), made.colors.begin());
    made.palette = std::move(entries);

    RowOrder rows(height, (flags & 0x40) != 0);
    int x = 0;
    BYTE* row = made.Row(0);
    const LzwResult result = DecodeGifLzw(data, *codeSize, [&](std::span<const BYTE> pixels) {
        for (const BYTE pixel : pixels) {
            row[x++] = pixel;
            if (x == width) {
                x = 0;
                rows.Advance();
                if (rows.Done()) return false;
                row = made.Row(rows.Current());
            }
        }
        return true;
    });
    // Every pixel must have been decoded: a stream that ends early is a damaged file.
    if (result != LzwResult::kSinkFull) return false;
    dib = std::move(made);
    return true;
}

bool CGifImage::WriteImage(const std::string& path) {
    const int bits = GetBitsPerPixel();
    if (bits > 8) {
        PicturePrompt(
            PictureText(QT_TRANSLATE_NOOP("PictureLayer", "GIF Images must be 8 bit or less")));
        return false;
    }
    const int width = GetWidth();
    const int height = GetHeight();
    if (width > 0xFFFF || height > 0xFFFF) return false; // sizes are 16-bit fields
    FilePtr file = OpenFile(path, "wb");
    if (!file) {
        PicturePrompt(PictureText(QT_TRANSLATE_NOOP("PictureLayer", "Can't open GIF for writing")));
        return false;
    }
    std::FILE* out = file.get();

    BYTE screen[13] = {'G', 'I', 'F', '8', '7', 'a'};
    PutLe16(screen + 6, static_cast<std::uint32_t>(width));
    PutLe16(screen + 8, static_cast<std::uint32_t>(height));
    screen[10] = 0xF7; // global table of 256 entries, colour resolution 8 bits
    screen[11] = 0;    // background index
    screen[12] = 0;    // aspect
    std::fwrite(screen, 1, sizeof screen, out);

    const std::vector<RGBQUAD>& entries = ColourEntries();
    BYTE table[256 * 3] = {};
    for (std::size_t i = 0; i < 256 && i < entries.size(); ++i) {
        table[3 * i] = entries[i].rgbRed;
        table[3 * i + 1] = entries[i].rgbGreen;
        table[3 * i + 2] = entries[i].rgbBlue;
    }
    std::fwrite(table, 1, sizeof table, out);

    BYTE descriptor[10] = {0x2C};
    PutLe16(descriptor + 5, static_cast<std::uint32_t>(width));
    PutLe16(descriptor + 7, static_cast<std::uint32_t>(height));
    descriptor[9] = 0; // no local table, not interlaced
    std::fwrite(descriptor, 1, sizeof descriptor, out);

    const int minCodeSize = bits == 1 ? 2 : bits;
    const BYTE codeSizeByte = static_cast<BYTE>(minCodeSize);
    std::fwrite(&codeSizeByte, 1, 1, out);
    CGifLzwEncoder encoder(minCodeSize, [out](std::span<const BYTE> block) {
        std::fwrite(block.data(), 1, block.size(), out);
    });
    std::vector<BYTE> indexes(static_cast<std::size_t>(width));
    for (int y = 0; y < height; ++y) {
        if (bits == 8) {
            std::memcpy(indexes.data(), GetRow(y), indexes.size());
        } else {
            for (int x = 0; x < width; ++x)
                indexes[static_cast<std::size_t>(x)] = static_cast<BYTE>(GetPixelIndex(x, y));
        }
        encoder.AddPixels(indexes);
    }
    encoder.Finish();
    const BYTE trailer[2] = {0x00, 0x3B};
    std::fwrite(trailer, 1, sizeof trailer, out);
    if (std::fflush(out) != 0 || std::ferror(out) != 0 || !CloseWritten(std::move(file))) {
        PicturePrompt(PictureText(QT_TRANSLATE_NOOP("PictureLayer", "Write Error in GIF file")));
        return false;
    }
    return true;
}
