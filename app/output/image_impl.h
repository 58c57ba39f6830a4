// The picture object: a device-independent bitmap (bottom-up rows padded to 4 bytes, 24-bit
// pixels stored blue, green, red) with its colour table and palette, the file it came from, and
// for pictures read with 16 bits per channel a second plane holding the low bytes of every
// sample. One class per file type derives from CImageImpl and supplies reading and writing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "stitchkit/Dib.h"

using COLORREF = DWORD;

constexpr COLORREF RGB(BYTE red, BYTE green, BYTE blue) {
    return static_cast<COLORREF>(red) | (static_cast<COLORREF>(green) << 8) |
           (static_cast<COLORREF>(blue) << 16);
}
constexpr BYTE GetRValue(COLORREF color) {
    return static_cast<BYTE>(color & 0xFF);
}
constexpr BYTE GetGValue(COLORREF color) {
    return static_cast<BYTE>((color >> 8) & 0xFF);
}
constexpr BYTE GetBValue(COLORREF color) {
    return static_cast<BYTE>((color >> 16) & 0xFF);
}

// File types. The numbers are stored with pictures and chosen by callers.
inline constexpr int kImageTypeNone = -1;
inline constexpr int kImageTypeBmp = 0;
inline constexpr int kImageTypeJpeg = 1;
inline constexpr int kImageTypeTiff = 2;
inline constexpr int kImageTypePng = 3;
inline constexpr int kImageTypeGif = 4;
inline constexpr int kImageTypeXpm = 6;

// A zero-filled block of bytes. It is allocated with calloc, so pages that are never written
// cost no memory, and a block that cannot be had leaves the object empty instead of throwing.
class PixelBlock {
public:
    PixelBlock() = default;
    static PixelBlock Allocate(std::size_t bytes);

    BYTE* data() noexcept { return m_data.get(); }
    const BYTE* data() const noexcept { return m_data.get(); }
    std::size_t size() const noexcept { return m_size; }
    bool empty() const noexcept { return m_data == nullptr; }
    PixelBlock Clone() const;

private:
    struct Free {
        void operator()(BYTE* bytes) const noexcept;
    };
    std::unique_ptr<BYTE[], Free> m_data;
    std::size_t m_size = 0;
};

// The parts of a picture: header, colour table, palette and pixel planes. Readers build one of
// these and hand it to the picture only when the whole file was read.
struct DibImage {
    BITMAPINFOHEADER header{};
    std::vector<RGBQUAD> colors; // colour table: 2^bits entries for 8 bits or fewer, else none
    std::optional<std::vector<RGBQUAD>> palette; // the picture's palette, when it has one
    PixelBlock pixels;
    PixelBlock lower; // low bytes of 16-bit samples (same layout as pixels), or empty
    bool grey16 = false;

    int Width() const noexcept { return header.biWidth; }
    int Height() const noexcept { return header.biHeight; }
    int BitCount() const noexcept { return header.biBitCount; }
    std::size_t Stride() const noexcept {
        return static_cast<std::size_t>(DibStride(header.biWidth, header.biBitCount));
    }
    // Row `y` counted from the top of the picture.
    BYTE* Row(int y) noexcept { return pixels.data() + RowOffset(y); }
    const BYTE* Row(int y) const noexcept { return pixels.data() + RowOffset(y); }
    BYTE* LowerRow(int y) noexcept { return lower.data() + RowOffset(y); }
    const BYTE* LowerRow(int y) const noexcept { return lower.data() + RowOffset(y); }

private:
    std::size_t RowOffset(int y) const noexcept {
        return static_cast<std::size_t>(header.biHeight - 1 - y) * Stride();
    }
};

class CImageImpl {
public:
    static constexpr int kMaxSide = 100000;
    // What GetPixelIndex answers for a point outside the picture or a picture of more than
    // 8 bits per pixel.
    static constexpr int kOutside = -1;

    CImageImpl() = default;
    virtual ~CImageImpl();
    CImageImpl(const CImageImpl&) = delete;
    CImageImpl& operator=(const CImageImpl&) = delete;

    // The type for a file name: its last extension compared without regard to case, looked up
    // in the table BMP, GIF, JPG, XPM, TIF; -1 when it is not there.
    static int TypeFromExtension(std::string_view path);
    // An empty picture of the class that reads and writes `type`; a type without such a class
    // gives a plain picture whose reads and writes fail.
    static std::unique_ptr<CImageImpl> New(int type);
    // Opens a file as `type`, or as the type of its extension when `type` is -1. The picture
    // is valid when the file was read.
    static std::unique_ptr<CImageImpl> Open(const std::string& path, int type = kImageTypeNone);
    // An empty (black, index 0) picture of that size; null when the size or depth is refused.
    static std::unique_ptr<CImageImpl> Create(int width, int height, int bitsPerPixel, int type);

    bool IsValid() const noexcept { return GetWidth() > 0 && GetHeight() > 0; }

    // A non-empty path becomes the stored name; an empty one uses the stored name. On failure
    // the picture keeps what it had.
    bool ReadFile(const std::string& path = {});
    bool WriteFile(const std::string& path = {});

    // How WriteFileAs writes: the writer of `type`, the name recorded in the file (a TIFF's
    // description; the path when empty), whether a 48-bit picture keeps its low bytes, and
    // whether 16-bit samples are written as one grey channel.
    struct WriteOptions {
        std::string storedName;
        bool withLower = true;
        bool grey16 = false;
    };
    // Writes the picture to `path` with the writer of `type` without copying its pixels; the
    // picture keeps its name, type and planes. False when that writer fails.
    bool WriteFileAs(const std::string& path, int type, const WriteOptions& options);

    int GetWidth() const noexcept { return m_dib.Width(); }
    int GetHeight() const noexcept { return m_dib.Height(); }
    int GetBitsPerPixel() const noexcept { return m_dib.BitCount(); }
    int GetColorCount() const noexcept { return static_cast<int>(m_dib.colors.size()); }
    int GetType() const noexcept { return m_type; }
    const std::string& GetFileName() const noexcept { return m_fileName; }
    void SetFileName(std::string name) { m_fileName = std::move(name); }
    int GetJpegQuality() const noexcept { return m_jpegQuality; }
    void SetJpegQuality(int quality) noexcept { m_jpegQuality = quality; }
    bool Is48Bit() const noexcept { return !m_dib.lower.empty(); }
    bool IsGrey16() const noexcept { return m_dib.grey16; }

    const BITMAPINFOHEADER& GetHeader() const noexcept { return m_dib.header; }
    const std::vector<RGBQUAD>& GetColorTable() const noexcept { return m_dib.colors; }
    BYTE* GetBits() noexcept { return m_dib.pixels.data(); }
    const BYTE* GetBits() const noexcept { return m_dib.pixels.data(); }
    BYTE* GetLowerBits() noexcept { return m_dib.lower.data(); }
    const BYTE* GetLowerBits() const noexcept { return m_dib.lower.data(); }
    std::size_t GetStride() const noexcept { return m_dib.Stride(); }
    // Row `y` counted from the top; y must be inside the picture.
    BYTE* GetRow(int y) noexcept { return m_dib.Row(y); }
    const BYTE* GetRow(int y) const noexcept { return m_dib.Row(y); }
    BYTE* GetLowerRow(int y) noexcept { return m_dib.LowerRow(y); }
    const BYTE* GetLowerRow(int y) const noexcept { return m_dib.LowerRow(y); }

    // Palette index of pixel (x, y), y from the top, for pictures of 8 bits or fewer.
    int GetPixelIndex(int x, int y) const noexcept;
    bool SetPixelIndex(int x, int y, int index) noexcept;

    // Gives the picture a palette and copies its entries into the colour table. Refused with
    // "CImageImpl::imagePalette already exists!" when the picture has one.
    bool SetPalette(std::span<const RGBQUAD> entries);
    bool HasPalette() const noexcept { return m_dib.palette.has_value(); }
    std::vector<RGBQUAD> ReadPalette() const;
    void DeletePalette() noexcept { m_dib.palette.reset(); }

    COLORREF GetBkColor() const noexcept { return m_bkColor; }
    void SetBkColor(COLORREF color) noexcept { m_bkColor = color; }

    // The picture scaled to fit width x height with its aspect kept, as a 24-bit picture; every
    // thumbnail pixel is the area-weighted mean of the picture pixels it covers.
    std::unique_ptr<CImageImpl> MakeThumbnail(int width = 100, int height = 100) const;
    // The pixels [left, right) x [top, bottom), top row 0, as a new picture of the same depth
    // and type (both planes for a 48-bit picture); named "<name> (Trimmed)" when this one has a
    // name. Null when the rectangle is not inside the picture or is empty.
    std::unique_ptr<CImageImpl> Crop(int left, int top, int right, int bottom) const;
    // A copy of this picture held by the class of another file type, for saving in that type.
    std::unique_ptr<CImageImpl> CopyAs(int type) const;
    // A picture of `type` holding a copy of a bitmap (24 or 8 bits, bottom-up rows padded to 4
    // bytes; with `lower`, the low bytes of a 16-bit-per-channel picture in the same layout; an
    // 8-bit bitmap without `palette` is grey). Null when the bitmap is refused.
    static std::unique_ptr<CImageImpl> FromBitmap(const BITMAPINFOHEADER& header, const BYTE* bits,
                                                  const BYTE* lower, const RGBQUAD* palette,
                                                  int type);
    // The picture turned clockwise by `quarterTurns` quarter turns (both planes of a 48-bit
    // picture); null when memory runs out.
    std::unique_ptr<CImageImpl> Rotated(int quarterTurns) const;
    // Drops the low bytes of a 48-bit picture, leaving its 8-bit-per-channel picture.
    void DropLowerPlane() noexcept {
        m_dib.lower = PixelBlock();
        m_dib.grey16 = false;
    }

    // Readers refuse pictures of more pixels than this (default: kMaxSide x kMaxSide).
    void SetPixelLimit(std::int64_t maxPixels) noexcept { m_maxPixels = maxPixels; }
    std::int64_t GetPixelLimit() const noexcept { return m_maxPixels; }

    // Red, green, blue of every pixel of row y (from the top) into `rgb` (3 x width bytes):
    // 24-bit pixels are reordered, palette pictures looked up in the palette (or, without
    // one, the colour table); indexes past its end give black.
    void RowToRgb(int y, BYTE* rgb) const noexcept;

protected:
    explicit CImageImpl(int type) : m_type(type) {}

    // Reads the file into `dib`; the picture takes it over on success.
    virtual bool ReadImage(const std::string& path, DibImage& dib);
    virtual bool WriteImage(const std::string& path);

    // Header, black colour table and zero pixels for a picture of that size and depth (with a
    // low-byte plane when asked); false when a side is not in 1 .. kMaxSide, the picture has
    // more pixels than the limit, or memory cannot be had.
    bool AllocateDib(DibImage& dib, int width, int height, int bitCount, bool withLower) const;

    const DibImage& Dib() const noexcept { return m_dib; }
    // The entries that give colours to palette indexes: the palette, or the colour table.
    const std::vector<RGBQUAD>& ColourEntries() const noexcept {
        return m_dib.palette ? *m_dib.palette : m_dib.colors;
    }

private:
    DibImage m_dib;
    std::string m_fileName;
    int m_type = kImageTypeNone;
    int m_jpegQuality = 100;
    COLORREF m_bkColor = RGB(255, 255, 255);
    std::int64_t m_maxPixels = static_cast<std::int64_t>(kMaxSide) * kMaxSide;
};

// A grey ramp: entry i = (i, i, i) for `count` entries.
std::vector<RGBQUAD> GreyPalette(int count = 256);
