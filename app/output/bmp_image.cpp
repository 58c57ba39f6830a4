#include "bmp_image.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

#include "picture_io.h"

namespace {

constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;
// Larger info headers (V2 to V5) begin with the 40-byte header; anything past this is not a
// bitmap header.
constexpr std::uint32_t kLargestInfoHeader = 1024;

bool ReadExactly(std::FILE* file, void* buffer, std::size_t bytes) {
    return std::fread(buffer, 1, bytes, file) == bytes;
}

// One colour channel described by a bit mask, scaled to 0 .. 255.
struct MaskChannel {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint32_t maximum = 0;

    explicit MaskChannel(std::uint32_t m) : mask(m) {
        if (mask == 0) return;
        shift = std::countr_zero(mask);
        maximum = mask >> shift;
    }
    BYTE Value(std::uint32_t pixel) const {
        if (maximum == 0) return 0;
        const std::uint64_t raw = (pixel & mask) >> shift;
        return static_cast<BYTE>(std::min<std::uint64_t>(255, (raw * 255 + maximum / 2) / maximum));
    }
};

} // namespace

bool DecodeBmpRle(std::span<const BYTE> data, int bitCount, DibImage& dib) {
    const std::int64_t width = dib.Width();
    const std::int64_t height = dib.Height();
    const std::size_t stride = dib.Stride();
    BYTE* pixels = dib.pixels.data();
    const bool four = bitCount == 4;
    std::int64_t x = 0;
    std::int64_t y = 0; // from the bottom, as the data count rows
    std::size_t pos = 0;

    auto put = [&](int index) {
        if (x >= 0 && x < width && y >= 0 && y < height) {
            BYTE* row = pixels + static_cast<std::size_t>(y) * stride;
            if (four) {
                BYTE& byte = row[x / 2];
                byte = (x & 1) ? static_cast<BYTE>((byte & 0xF0) | (index & 0x0F))
                               : static_cast<BYTE>((byte & 0x0F) | (index << 4));
            } else {
                row[x] = static_cast<BYTE>(index);
            }
        }
        ++x;
    };

    while (y < height) {
        if (pos == data.size()) return true; // data without an end-of-bitmap mark
        if (pos + 2 > data.size()) return false;
        const int count = data[pos];
        const int value = data[pos + 1];
        pos += 2;
        if (count > 0) {
            // An encoded run; the part past the row's end is dropped.
            const std::int64_t visible = std::clamp<std::int64_t>(width - x, 0, count);
            for (std::int64_t i = 0; i < visible; ++i)
                put(four ? ((i & 1) ? value & 0x0F : value >> 4) : value);
            x += count - visible;
            continue;
        }
        switch (value) {
        case 0: // end of line
            x = 0;
            ++y;
            break;
        case 1: // end of bitmap
            return true;
        case 2: // delta
            if (pos + 2 > data.size()) return false;
            x += data[pos];
            y += data[pos + 1];
            pos += 2;
            break;
        default: { // absolute run of `value` pixels, padded to a 16-bit boundary
            const std::size_t bytes = four ? (static_cast<std::size_t>(value) + 1) / 2 : value;
            if (pos + bytes > data.size()) return false;
            const std::int64_t visible = std::clamp<std::int64_t>(width - x, 0, value);
            for (std::int64_t i = 0; i < visible; ++i) {
                const BYTE byte = data[pos + (four ? i / 2 : i)];
                put(four ? ((i & 1) ? byte & 0x0F : byte >> 4) : byte);
            }
            x += value - visible;
            pos = std::min(data.size(), pos + bytes + (bytes & 1));
            break;
        }
        }
    }
    return true;
}

bool CBmpImage::ReadImage(const std::string& path, DibImage& dib) {
    FilePtr file = OpenFile(path, "rb");
    if (!file) return false;
    const std::int64_t fileSize = FileSize(file.get());
    if (fileSize < 0) return false;

    // The 14-byte file header is optional: without "BM" the file starts with the info header.
    std::int64_t start = 0;
    std::uint32_t pixelOffset = 0;
    BYTE fileHeader[14];
    if (ReadExactly(file.get(), fileHeader, sizeof fileHeader) && GetLe16(fileHeader) == 0x4D42) {
        start = sizeof fileHeader;
        pixelOffset = GetLe32(fileHeader + 10);
    }
    if (fseeko(file.get(), start, SEEK_SET) != 0) return false;

    BYTE info[kInfoHeaderSize] = {};
    if (!ReadExactly(file.get(), info, 4)) return false;
    const std::uint32_t headerSize = GetLe32(info);
    std::int64_t width = 0;
    std::int64_t height = 0;
    int bits = 0;
    std::uint32_t compression = BI_RGB;
    std::uint32_t sizeImage = 0;
    std::uint32_t colorsUsed = 0;
    LONG xPels = 0;
    LONG yPels = 0;
    std::size_t entrySize = 4;
    std::uint32_t masks[3] = {0, 0, 0};
    std::int64_t afterHeader = start + headerSize;

    if (headerSize == kCoreHeaderSize) {
        // OS/2 core header: 16-bit sizes, 3-byte colour entries.
        if (!ReadExactly(file.get(), info + 4, kCoreHeaderSize - 4)) return false;
        width = GetLe16(info + 4);
        height = GetLe16(info + 6);
        bits = GetLe16(info + 10);
        entrySize = 3;
    } else if (headerSize >= kInfoHeaderSize && headerSize <= kLargestInfoHeader) {
        if (!ReadExactly(file.get(), info + 4, kInfoHeaderSize - 4)) return false;
        width = static_cast<LONG>(GetLe32(info + 4));
        height = static_cast<LONG>(GetLe32(info + 8));
        bits = GetLe16(info + 14);
        compression = GetLe32(info + 16);
        sizeImage = GetLe32(info + 20);
        xPels = static_cast<LONG>(GetLe32(info + 24));
        yPels = static_cast<LONG>(GetLe32(info + 28));
        colorsUsed = GetLe32(info + 32);
        if (compression == BI_BITFIELDS) {
            // The masks follow a 40-byte header and are part of every larger one.
            BYTE maskBytes[12];
            if (!ReadExactly(file.get(), maskBytes, sizeof maskBytes)) return false;
            for (int i = 0; i < 3; ++i) masks[i] = GetLe32(maskBytes + 4 * i);
            if (headerSize == kInfoHeaderSize) afterHeader += sizeof maskBytes;
        }
    } else {
        return false;
    }

    const bool topDown = height < 0;
    if (topDown) height = -height;
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return false;
    const bool rle = compression == BI_RLE8 || compression == BI_RLE4;
    switch (compression) {
    case BI_RGB:
        if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
            return false;
        break;
    case BI_RLE8:
        if (bits != 8 || topDown) return false;
        break;
    case BI_RLE4:
        if (bits != 4 || topDown) return false;
        break;
    case BI_BITFIELDS:
        if (bits != 16 && bits != 32) return false;
        break;
    default:
        return false;
    }
    if (compression == BI_RGB && bits == 16) {
        masks[0] = 0x7C00;
        masks[1] = 0x03E0;
        masks[2] = 0x001F;
    } else if (compression == BI_RGB && bits == 32) {
        masks[0] = 0x00FF0000;
        masks[1] = 0x0000FF00;
        masks[2] = 0x000000FF;
    }

    // Colour table: the header's count, or 2^bits for 8 bits or fewer. Entries past 2^bits
    // can never be indexed and are skipped.
    const std::int64_t colorCount =
        colorsUsed != 0 ? colorsUsed : (bits <= 8 ? (std::int64_t{1} << bits) : 0);
    const std::int64_t tableBytes = colorCount * static_cast<std::int64_t>(entrySize);
    if (afterHeader + tableBytes > fileSize && pixelOffset == 0) return false;
    std::vector<RGBQUAD> entries;
    if (bits <= 8) {
        const std::int64_t used = std::min<std::int64_t>(colorCount, std::int64_t{1} << bits);
        if (fseeko(file.get(), afterHeader, SEEK_SET) != 0) return false;
        std::vector<BYTE> table(static_cast<std::size_t>(used) * entrySize);
        if (!ReadExactly(file.get(), table.data(), table.size())) return false;
        entries.resize(static_cast<std::size_t>(used));
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const BYTE* entry = table.data() + i * entrySize;
            entries[i] = RGBQUAD{entry[0], entry[1], entry[2], 0};
        }
    }

    const std::int64_t dataStart = pixelOffset != 0 ? pixelOffset : afterHeader + tableBytes;
    if (dataStart < 0 || dataStart > fileSize) return false;
    const int dibBits = bits > 8 ? 24 : bits;
    const std::int64_t fileStride = DibStride(width, bits);
    if (!rle && dataStart + fileStride * height > fileSize) return false; // truncated pixels

    DibImage made;
    if (!AllocateDib(made, static_cast<int>(width), static_cast<int>(height), dibBits, false))
        return false;
    made.header.biXPelsPerMeter = xPels;
    made.header.biYPelsPerMeter = yPels;
    if (bits <= 8) {
        std::copy(entries.begin(), entries.end(), made.colors.begin());
        made.palette = entries;
    }
    if (fseeko(file.get(), dataStart, SEEK_SET) != 0) return false;

    if (rle) {
        std::int64_t length = fileSize - dataStart;
        if (sizeImage != 0) length = std::min<std::int64_t>(length, sizeImage);
        std::vector<BYTE> data(static_cast<std::size_t>(length));
        if (!ReadExactly(file.get(), data.data(), data.size())) return false;
        if (!DecodeBmpRle(data, bits, made)) return false;
    } else if (bits == dibBits) {
        for (std::int64_t fileRow = 0; fileRow < height; ++fileRow) {
            // Bottom-up files hold the bottom row first; top-down files the top row.
            const int y = static_cast<int>(topDown ? fileRow : height - 1 - fileRow);
            if (!ReadExactly(file.get(), made.Row(y), made.Stride())) return false;
        }
    } else {
        const MaskChannel red(masks[0]), green(masks[1]), blue(masks[2]);
        std::vector<BYTE> row(static_cast<std::size_t>(fileStride));
        const int bytesPerPixel = bits / 8;
        for (std::int64_t fileRow = 0; fileRow < height; ++fileRow) {
            if (!ReadExactly(file.get(), row.data(), row.size())) return false;
            const int y = static_cast<int>(topDown ? fileRow : height - 1 - fileRow);
            BYTE* out = made.Row(y);
            for (std::int64_t x = 0; x < width; ++x) {
                const BYTE* in = row.data() + x * bytesPerPixel;
                const std::uint32_t pixel = bytesPerPixel == 2 ? GetLe16(in) : GetLe32(in);
                out[3 * x] = blue.Value(pixel);
                out[3 * x + 1] = green.Value(pixel);
                out[3 * x + 2] = red.Value(pixel);
            }
        }
    }
    dib = std::move(made);
    return true;
}

bool CBmpImage::WriteImage(const std::string& path) {
    const DibImage& dib = Dib();
    const int bits = dib.BitCount();
    std::vector<RGBQUAD> table = dib.colors;
    if (dib.palette) {
        const std::size_t shared = std::min(table.size(), dib.palette->size());
        std::copy_n(dib.palette->begin(), shared, table.begin());
    }
    const std::uint64_t imageSize = dib.Stride() * static_cast<std::uint64_t>(dib.Height());
    const std::uint64_t offset = 14 + 40 + 4 * table.size();
    const std::uint64_t fileSize = offset + imageSize;

    BYTE fileHeader[14] = {'B', 'M'};
    PutLe32(fileHeader + 2,
            static_cast<std::uint32_t>(std::min<std::uint64_t>(fileSize, 0xFFFFFFFFu)));
    PutLe32(fileHeader + 10, static_cast<std::uint32_t>(offset));
    BYTE info[40] = {};
    PutLe32(info, 40);
    PutLe32(info + 4, static_cast<std::uint32_t>(dib.Width()));
    PutLe32(info + 8, static_cast<std::uint32_t>(dib.Height()));
    PutLe16(info + 12, 1);
    PutLe16(info + 14, static_cast<std::uint32_t>(bits));
    PutLe32(info + 16, BI_RGB);
    PutLe32(info + 20, static_cast<std::uint32_t>(std::min<std::uint64_t>(imageSize, 0xFFFFFFFFu)));
    PutLe32(info + 24, static_cast<std::uint32_t>(dib.header.biXPelsPerMeter));
    PutLe32(info + 28, static_cast<std::uint32_t>(dib.header.biYPelsPerMeter));
    PutLe32(info + 32, static_cast<std::uint32_t>(table.size()));
    PutLe32(info + 36, 0);

    FilePtr file = OpenFile(path, "wb");
    if (!file) return false;
    bool ok = std::fwrite(fileHeader, 1, sizeof fileHeader, file.get()) == sizeof fileHeader &&
              std::fwrite(info, 1, sizeof info, file.get()) == sizeof info;
    for (const RGBQUAD& entry : table) {
        const BYTE bytes[4] = {entry.rgbBlue, entry.rgbGreen, entry.rgbRed, 0};
        ok = ok && std::fwrite(bytes, 1, 4, file.get()) == 4;
    }
    ok = ok && std::fwrite(dib.pixels.data(), 1, imageSize, file.get()) == imageSize;
    return CloseWritten(std::move(file)) && ok;
}
