#include "image_impl.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "bmp_image.h"
#include "gif_image.h"
#include "jpeg_image.h"
#include "picture_prompt.h"
#include "png_image.h"
#include "tiff_image.h"

// ---------------------------------------------------------------------------------------------
// PixelBlock

void PixelBlock::Free::operator()(BYTE* bytes) const noexcept {
    std::free(bytes);
}

PixelBlock PixelBlock::Allocate(std::size_t bytes) {
    PixelBlock block;
    if (bytes == 0) return block;
    block.m_data.reset(static_cast<BYTE*>(std::calloc(bytes, 1)));
    if (block.m_data) block.m_size = bytes;
    return block;
}

PixelBlock PixelBlock::Clone() const {
    PixelBlock copy = Allocate(m_size);
    if (!copy.empty()) std::memcpy(copy.data(), data(), m_size);
    return copy;
}

// ---------------------------------------------------------------------------------------------
// Types and factory

namespace {

struct ExtensionEntry {
    const char* extension;
    int type;
};

// Searched in this order; PNG has no entry (its type is chosen by the caller).
constexpr std::array<ExtensionEntry, 5> kExtensionTable{{
    {"BMP", kImageTypeBmp},
    {"GIF", kImageTypeGif},
    {"JPG", kImageTypeJpeg},
    {"XPM", kImageTypeXpm},
    {"TIF", kImageTypeTiff},
}};

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

bool IsSupportedBitCount(int bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 24;
}

} // namespace

std::vector<RGBQUAD> GreyPalette(int count) {
    std::vector<RGBQUAD> entries(static_cast<std::size_t>(std::max(count, 0)));
    for (int i = 0; i < count; ++i) {
        const auto level = static_cast<BYTE>(count > 1 ? i * 255 / (count - 1) : 0);
        entries[static_cast<std::size_t>(i)] = RGBQUAD{level, level, level, 0};
    }
    return entries;
}

CImageImpl::~CImageImpl() = default;

int CImageImpl::TypeFromExtension(std::string_view path) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos) return kImageTypeNone;
    const std::string_view extension = path.substr(dot + 1);
    for (const ExtensionEntry& entry : kExtensionTable) {
        if (EqualNoCase(extension, entry.extension)) return entry.type;
    }
    return kImageTypeNone;
}

std::unique_ptr<CImageImpl> CImageImpl::New(int type) {
    switch (type) {
    case kImageTypeBmp:
        return std::make_unique<CBmpImage>();
    case kImageTypeJpeg:
        return std::make_unique<CJpegImage>();
    case kImageTypeTiff:
        return std::make_unique<CTiffImage>();
    case kImageTypePng:
        return std::make_unique<CPngImage>();
    case kImageTypeGif:
        return std::make_unique<CGifImage>();
    default:
        return std::unique_ptr<CImageImpl>(new CImageImpl(type));
    }
}

std::unique_ptr<CImageImpl> CImageImpl::Open(const std::string& path, int type) {
    const int chosen = type == kImageTypeNone ? TypeFromExtension(path) : type;
    std::unique_ptr<CImageImpl> picture = New(chosen);
    picture->ReadFile(path);
    return picture;
}

std::unique_ptr<CImageImpl> CImageImpl::Create(int width, int height, int bitsPerPixel, int type) {
    std::unique_ptr<CImageImpl> picture = New(type);
    DibImage dib;
    if (!picture->AllocateDib(dib, width, height, bitsPerPixel, false)) return nullptr;
    picture->m_dib = std::move(dib);
    return picture;
}

bool CImageImpl::AllocateDib(DibImage& dib, int width, int height, int bitCount,
                             bool withLower) const {
    if (!IsSupportedBitCount(bitCount)) return false;
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return false;
    if (static_cast<std::int64_t>(width) * height > m_maxPixels) return false;
    if (withLower && bitCount != 24) return false;

    DibImage made;
    made.header.biSize = sizeof(BITMAPINFOHEADER);
    made.header.biWidth = width;
    made.header.biHeight = height;
    made.header.biPlanes = 1;
    made.header.biBitCount = static_cast<WORD>(bitCount);
    made.header.biCompression = BI_RGB;
    const std::size_t bytes = made.Stride() * static_cast<std::size_t>(height);
    made.header.biSizeImage = static_cast<DWORD>(std::min<std::size_t>(bytes, 0xFFFFFFFFu));
    if (bitCount <= 8) {
        made.colors.assign(std::size_t{1} << bitCount, RGBQUAD{0, 0, 0, 0});
        made.header.biClrUsed = static_cast<DWORD>(made.colors.size());
    }
    made.pixels = PixelBlock::Allocate(bytes);
    if (made.pixels.empty()) return false;
    if (withLower) {
        made.lower = PixelBlock::Allocate(bytes);
        if (made.lower.empty()) return false;
    }
    dib = std::move(made);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Reading and writing

bool CImageImpl::ReadFile(const std::string& path) {
    if (!path.empty()) m_fileName = path;
    if (m_fileName.empty()) return false;
    DibImage dib;
    if (!ReadImage(m_fileName, dib)) return false;
    m_dib = std::move(dib);
    return true;
}

bool CImageImpl::WriteFile(const std::string& path) {
    if (!path.empty()) m_fileName = path;
    if (!IsValid()) return false;
    return WriteImage(m_fileName);
}

bool CImageImpl::WriteFileAs(const std::string& path, int type, const WriteOptions& options) {
    if (!IsValid() || path.empty()) return false;
    std::unique_ptr<CImageImpl> writer = New(type);
    writer->m_fileName = options.storedName.empty() ? path : options.storedName;
    writer->m_bkColor = m_bkColor;
    writer->m_jpegQuality = m_jpegQuality;
    writer->m_maxPixels = m_maxPixels;
    // The writer borrows the planes and gives them back however the write ends.
    struct Lend {
        DibImage& owner;
        DibImage& borrower;
        PixelBlock keptLower;
        bool grey16;
        ~Lend() {
            owner = std::move(borrower);
            if (!keptLower.empty()) owner.lower = std::move(keptLower);
            owner.grey16 = grey16;
        }
    } lend{m_dib, writer->m_dib, PixelBlock(), m_dib.grey16};
    if (!options.withLower) lend.keptLower = std::move(m_dib.lower);
    writer->m_dib = std::move(m_dib);
    writer->m_dib.grey16 = (lend.grey16 || options.grey16) && !writer->m_dib.lower.empty();
    return writer->WriteImage(path);
}

bool CImageImpl::ReadImage(const std::string& /*path*/, DibImage& /*dib*/) {
    return false;
}

bool CImageImpl::WriteImage(const std::string& /*path*/) {
    return false;
}

// ---------------------------------------------------------------------------------------------
// Pixels and palette

int CImageImpl::GetPixelIndex(int x, int y) const noexcept {
    const int bits = GetBitsPerPixel();
    if (bits > 8 || bits == 0 || x < 0 || y < 0 || x >= GetWidth() || y >= GetHeight())
        return kOutside;
    const BYTE* row = m_dib.Row(y);
    switch (bits) {
    case 8:
        return row[x];
    case 4:
        return (x & 1) ? row[x / 2] & 0x0F : row[x / 2] >> 4;
    case 1:
        return (row[x / 8] >> (7 - (x & 7))) & 1;
    default:
        return kOutside;
    }
}

bool CImageImpl::SetPixelIndex(int x, int y, int index) noexcept {
    const int bits = GetBitsPerPixel();
    if (bits > 8 || bits == 0 || x < 0 || y < 0 || x >= GetWidth() || y >= GetHeight())
        return false;
    if (index < 0 || index >= (1 << bits)) return false;
    BYTE* row = m_dib.Row(y);
    switch (bits) {
    case 8:
        row[x] = static_cast<BYTE>(index);
        return true;
    case 4: {
        BYTE& byte = row[x / 2];
        byte = (x & 1) ? static_cast<BYTE>((byte & 0xF0) | index)
                       : static_cast<BYTE>((byte & 0x0F) | (index << 4));
        return true;
    }
    case 1: {
        const auto mask = static_cast<BYTE>(0x80 >> (x & 7));
        BYTE& byte = row[x / 8];
        byte = index ? static_cast<BYTE>(byte | mask) : static_cast<BYTE>(byte & ~mask);
        return true;
    }
    default:
        return false;
    }
}

bool CImageImpl::SetPalette(std::span<const RGBQUAD> entries) {
    if (m_dib.palette) {
        PicturePrompt(PictureText(QT_TRANSLATE_NOOP("PictureLayer",
                                                    "CImageImpl::imagePalette already exists!")),
                      {}, kPictureMbOk);
        return false;
    }
    m_dib.palette.emplace(entries.begin(), entries.end());
    const std::size_t shared = std::min(entries.size(), m_dib.colors.size());
    std::copy_n(entries.begin(), shared, m_dib.colors.begin());
    return true;
}

std::vector<RGBQUAD> CImageImpl::ReadPalette() const {
    return m_dib.palette ? *m_dib.palette : std::vector<RGBQUAD>{};
}

void CImageImpl::RowToRgb(int y, BYTE* rgb) const noexcept {
    const int width = GetWidth();
    const BYTE* row = m_dib.Row(y);
    if (GetBitsPerPixel() == 24) {
        for (int x = 0; x < width; ++x) {
            rgb[3 * x] = row[3 * x + 2];
            rgb[3 * x + 1] = row[3 * x + 1];
            rgb[3 * x + 2] = row[3 * x];
        }
        return;
    }
    const std::vector<RGBQUAD>& entries = ColourEntries();
    for (int x = 0; x < width; ++x) {
        const int index = GetPixelIndex(x, y);
        RGBQUAD entry{0, 0, 0, 0};
        if (index >= 0 && static_cast<std::size_t>(index) < entries.size())
            entry = entries[static_cast<std::size_t>(index)];
        rgb[3 * x] = entry.rgbRed;
        rgb[3 * x + 1] = entry.rgbGreen;
        rgb[3 * x + 2] = entry.rgbBlue;
    }
}

// ---------------------------------------------------------------------------------------------
// Thumbnail

namespace {

// One source pixel's share of a thumbnail pixel.
struct Tap {
    int source;
    double weight;
};

// For each of `outCount` output cells, the source cells of `inCount` it covers and the share
// of the output cell each covers, so that the shares of one output cell add up to 1.
std::vector<std::vector<Tap>> AreaTaps(int inCount, int outCount) {
    std::vector<std::vector<Tap>> taps(static_cast<std::size_t>(outCount));
    const double ratio = static_cast<double>(inCount) / outCount;
    for (int out = 0; out < outCount; ++out) {
        const double begin = out * ratio;
        const double end = (out + 1) * ratio;
        const int first = static_cast<int>(std::floor(begin));
        const int last = std::min(inCount - 1, static_cast<int>(std::ceil(end)) - 1);
        for (int in = first; in <= last; ++in) {
            const double overlap = std::min(end, in + 1.0) - std::max(begin, double(in));
            if (overlap > 0) taps[static_cast<std::size_t>(out)].push_back({in, overlap / ratio});
        }
    }
    return taps;
}

} // namespace

std::unique_ptr<CImageImpl> CImageImpl::MakeThumbnail(int width, int height) const {
    if (!IsValid() || width <= 0 || height <= 0) return nullptr;
    const int sourceWidth = GetWidth();
    const int sourceHeight = GetHeight();
    const double scale = std::max(static_cast<double>(sourceWidth) / width,
                                  static_cast<double>(sourceHeight) / height);
    const int thumbWidth = std::clamp(static_cast<int>(std::lround(sourceWidth / scale)), 1, width);
    const int thumbHeight =
        std::clamp(static_cast<int>(std::lround(sourceHeight / scale)), 1, height);
    std::unique_ptr<CImageImpl> thumb = Create(thumbWidth, thumbHeight, 24, kImageTypeBmp);
    if (!thumb) return nullptr;

    const auto columnTaps = AreaTaps(sourceWidth, thumbWidth);
    const auto rowTaps = AreaTaps(sourceHeight, thumbHeight);
    // Samples are handled on a 16-bit scale so that 48-bit pictures keep their low bytes in
    // the mean; 8-bit samples are scaled by 256.
    const bool wide = Is48Bit();
    std::vector<BYTE> rgb(static_cast<std::size_t>(sourceWidth) * 3);
    std::vector<double> source(static_cast<std::size_t>(sourceWidth) * 3);
    std::vector<double> across(static_cast<std::size_t>(thumbWidth) * 3);
    std::vector<double> sum(static_cast<std::size_t>(thumbWidth) * 3);

    for (int ty = 0; ty < thumbHeight; ++ty) {
        std::fill(sum.begin(), sum.end(), 0.0);
        for (const Tap& rowTap : rowTaps[static_cast<std::size_t>(ty)]) {
            RowToRgb(rowTap.source, rgb.data());
            const BYTE* lower = wide ? m_dib.LowerRow(rowTap.source) : nullptr;
            for (int x = 0; x < sourceWidth; ++x) {
                for (int c = 0; c < 3; ++c) {
                    double value = rgb[3 * x + c] * 256.0;
                    if (lower) value += lower[3 * x + 2 - c]; // the plane is blue, green, red
                    source[3 * static_cast<std::size_t>(x) + c] = value;
                }
            }
            for (int tx = 0; tx < thumbWidth; ++tx) {
                double mean[3] = {0, 0, 0};
                for (const Tap& columnTap : columnTaps[static_cast<std::size_t>(tx)]) {
                    for (int c = 0; c < 3; ++c)
                        mean[c] += columnTap.weight *
                                   source[3 * static_cast<std::size_t>(columnTap.source) + c];
                }
                for (int c = 0; c < 3; ++c) across[3 * static_cast<std::size_t>(tx) + c] = mean[c];
            }
            for (std::size_t i = 0; i < sum.size(); ++i) sum[i] += rowTap.weight * across[i];
        }
        BYTE* out = thumb->GetRow(ty);
        for (int tx = 0; tx < thumbWidth; ++tx) {
            for (int c = 0; c < 3; ++c) {
                const double value =
                    std::floor(sum[3 * static_cast<std::size_t>(tx) + c] / 256.0 + 0.5);
                out[3 * tx + 2 - c] = static_cast<BYTE>(std::clamp(value, 0.0, 255.0));
            }
        }
    }
    return thumb;
}

// ---------------------------------------------------------------------------------------------
// Crop and copies

std::unique_ptr<CImageImpl> CImageImpl::Crop(int left, int top, int right, int bottom) const {
    if (!IsValid() || left < 0 || top < 0 || right > GetWidth() || bottom > GetHeight() ||
        right <= left || bottom <= top)
        return nullptr;
    std::unique_ptr<CImageImpl> crop = New(m_type);
    DibImage dib;
    crop->m_maxPixels = m_maxPixels;
    if (!crop->AllocateDib(dib, right - left, bottom - top, GetBitsPerPixel(), Is48Bit()))
        return nullptr;
    dib.colors = m_dib.colors;
    dib.palette = m_dib.palette;
    dib.grey16 = m_dib.grey16;
    const int bits = GetBitsPerPixel();
    crop->m_dib = std::move(dib);
    for (int y = top; y < bottom; ++y) {
        if (bits >= 8) {
            const std::size_t bytesPerPixel = static_cast<std::size_t>(bits / 8);
            const std::size_t count = static_cast<std::size_t>(right - left) * bytesPerPixel;
            std::memcpy(crop->GetRow(y - top), m_dib.Row(y) + left * bytesPerPixel, count);
            if (Is48Bit())
                std::memcpy(crop->GetLowerRow(y - top), m_dib.LowerRow(y) + left * bytesPerPixel,
                            count);
        } else {
            for (int x = left; x < right; ++x)
                crop->SetPixelIndex(x - left, y - top, GetPixelIndex(x, y));
        }
    }
    if (!m_fileName.empty()) crop->m_fileName = m_fileName + " (Trimmed)";
    crop->m_bkColor = m_bkColor;
    crop->m_jpegQuality = m_jpegQuality;
    return crop;
}

std::unique_ptr<CImageImpl> CImageImpl::FromBitmap(const BITMAPINFOHEADER& header, const BYTE* bits,
                                                   const BYTE* lower, const RGBQUAD* palette,
                                                   int type) {
    const int bitCount = header.biBitCount;
    if (bits == nullptr || (bitCount != 24 && bitCount != 8) || header.biCompression != BI_RGB ||
        (lower != nullptr && bitCount != 24))
        return nullptr;
    std::unique_ptr<CImageImpl> picture = New(type);
    DibImage dib;
    if (!picture->AllocateDib(dib, header.biWidth, header.biHeight, bitCount, lower != nullptr))
        return nullptr;
    const std::size_t bytes = dib.Stride() * static_cast<std::size_t>(dib.Height());
    std::memcpy(dib.pixels.data(), bits, bytes);
    if (lower != nullptr) std::memcpy(dib.lower.data(), lower, bytes);
    if (bitCount == 8) {
        dib.colors =
            palette != nullptr ? std::vector<RGBQUAD>(palette, palette + 256) : GreyPalette(256);
        dib.palette = dib.colors;
    }
    picture->m_dib = std::move(dib);
    return picture;
}

std::unique_ptr<CImageImpl> CImageImpl::Rotated(int quarterTurns) const {
    const int turns = ((quarterTurns % 4) + 4) % 4;
    if (!IsValid()) return nullptr;
    if (turns == 0) return CopyAs(m_type);
    const int w = GetWidth(), h = GetHeight(), bits = GetBitsPerPixel();
    if (bits != 24 && bits != 8) return nullptr;
    const int outW = turns == 2 ? w : h, outH = turns == 2 ? h : w;
    std::unique_ptr<CImageImpl> turned = New(m_type);
    turned->m_maxPixels = m_maxPixels;
    DibImage dib;
    if (!turned->AllocateDib(dib, outW, outH, bits, Is48Bit())) return nullptr;
    dib.colors = m_dib.colors;
    dib.palette = m_dib.palette;
    dib.grey16 = m_dib.grey16;
    const int bpp = bits / 8;
    // Output pixel (x, y) comes from the source pixel that a clockwise turn brings there.
    for (int y = 0; y < outH; ++y) {
        BYTE* out = dib.Row(y);
        BYTE* outLower = Is48Bit() ? dib.LowerRow(y) : nullptr;
        for (int x = 0; x < outW; ++x) {
            int sx = x, sy = y;
            if (turns == 1) {
                sx = y;
                sy = h - 1 - x;
            } else if (turns == 2) {
                sx = w - 1 - x;
                sy = h - 1 - y;
            } else {
                sx = w - 1 - y;
                sy = x;
            }
            std::memcpy(out + x * bpp, m_dib.Row(sy) + sx * bpp, static_cast<std::size_t>(bpp));
            if (outLower != nullptr)
                std::memcpy(outLower + x * bpp, m_dib.LowerRow(sy) + sx * bpp,
                            static_cast<std::size_t>(bpp));
        }
    }
    turned->m_dib = std::move(dib);
    turned->m_fileName = m_fileName;
    turned->m_bkColor = m_bkColor;
    turned->m_jpegQuality = m_jpegQuality;
    return turned;
}

std::unique_ptr<CImageImpl> CImageImpl::CopyAs(int type) const {
    std::unique_ptr<CImageImpl> copy = New(type);
    DibImage dib;
    dib.header = m_dib.header;
    dib.colors = m_dib.colors;
    dib.palette = m_dib.palette;
    dib.grey16 = m_dib.grey16;
    if (!m_dib.pixels.empty()) {
        dib.pixels = m_dib.pixels.Clone();
        if (dib.pixels.empty()) return nullptr;
    }
    if (!m_dib.lower.empty()) {
        dib.lower = m_dib.lower.Clone();
        if (dib.lower.empty()) return nullptr;
    }
    copy->m_dib = std::move(dib);
    copy->m_fileName = m_fileName;
    copy->m_bkColor = m_bkColor;
    copy->m_jpegQuality = m_jpegQuality;
    copy->m_maxPixels = m_maxPixels;
    return copy;
}
