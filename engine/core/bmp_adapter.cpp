#include <cstring>
#include <new>

#include "core/image_record.h"
#include "core/memory.h"
#include "core/report.h"
#include "stitchkit/BmpAdapter.h"

namespace {

bool IsGreyRamp(const RGBQUAD* rgb) {
    if (rgb == nullptr) return false;
    for (int i = 0; i < 256; ++i) {
        if (rgb[i].rgbRed != i || rgb[i].rgbGreen != i || rgb[i].rgbBlue != i) return false;
    }
    return true;
}

// How a bitmap maps to an engine image, or why it does not.
struct DibLayout {
    int nbands = 0;
    int bytesPerPixel = 0;
    std::int64_t stride = 0; // bytes per bitmap row
    bool expandPalette = false;
    bool greyFromPalette = false; // one band holding each palette colour's luminance
};

// The band rule shared by every To conversion; false for what no conversion accepts.
bool Describe(const BITMAPINFOHEADER* h, const RGBQUAD* rgb, bool expand8bit, DibLayout* out) {
    if (h == nullptr || h->biCompression != BI_RGB) return false;
    switch (h->biBitCount) {
    case 24:
        out->nbands = 3;
        break;
    case 16:
        out->nbands = 3;
        break;
    case 8:
        // Without a palette the indexes are taken as grey levels.
        out->expandPalette = expand8bit && rgb != nullptr && !IsGreyRamp(rgb);
        out->greyFromPalette = !expand8bit && rgb != nullptr && !IsGreyRamp(rgb);
        out->nbands = out->expandPalette ? 3 : 1;
        break;
    default:
        return false;
    }
    out->bytesPerPixel = h->biBitCount / 8;
    if (h->biHeight < 1 || h->biWidth < 1) {
        out->stride = 0; // creation reports the bad size
        return true;
    }
    const std::int64_t padded = DibStride(h->biWidth, h->biBitCount);
    out->stride =
        h->biSizeImage == 0 ? padded : static_cast<std::int64_t>(h->biSizeImage) / h->biHeight;
    // A stated image size too small for the rows would make every row read past its end.
    return out->stride >= static_cast<std::int64_t>(out->bytesPerPixel) * h->biWidth;
}

BITMAPINFOHEADER* NewHeader(const N_ImageRec* image) {
    auto* h = new (std::nothrow) BITMAPINFOHEADER{};
    if (h == nullptr) return nullptr;
    h->biSize = sizeof(BITMAPINFOHEADER);
    h->biWidth = image->ncolumns;
    h->biHeight = image->nrows;
    h->biPlanes = 1;
    h->biBitCount = static_cast<WORD>(8 * image->nbands);
    return h;
}

void FillHeader(BITMAPINFOHEADER* h, const N_ImageRec* image) {
    *h = BITMAPINFOHEADER{};
    h->biSize = sizeof(BITMAPINFOHEADER);
    h->biWidth = image->ncolumns;
    h->biHeight = image->nrows;
    h->biPlanes = 1;
    h->biBitCount = static_cast<WORD>(8 * image->nbands);
}

void SetPaletteFields(BITMAPINFOHEADER* h, const unsigned short* palette) {
    if (palette != nullptr && h->biBitCount == 8) {
        h->biClrUsed = 255;
        h->biClrImportant = 255;
    }
}

// An interleaved view of a bitmap buffer with the bitmap's own row layout.
N_ImageRec* ViewOf(const BITMAPINFOHEADER* h, const RGBQUAD* rgb, unsigned char* pixels,
                   bool expand8bit) {
    DibLayout layout;
    if (pixels == nullptr || !Describe(h, rgb, expand8bit, &layout)) return nullptr;
    // A view can neither expand a palette nor unpack 5-5-5 pixels, and it needs the rows laid
    // out exactly as an interleaved image's.
    if (h->biBitCount == 16 || layout.expandPalette) return nullptr;
    if (h->biWidth >= 1 && h->biHeight >= 1 &&
        layout.stride != DibStride(h->biWidth, h->biBitCount))
        return nullptr;
    return NCreateDIBImage(layout.nbands, h->biHeight, h->biWidth, NUByteRepn, pixels);
}

} // namespace

int CBmpAdapter::GetHeight() {
    if (m_header == nullptr) throw CBmpAdapterException();
    return m_header->biHeight;
}

int CBmpAdapter::GetWidth() {
    if (m_header == nullptr) throw CBmpAdapterException();
    return m_header->biWidth;
}

N_ImageRec* CBmpAdapter::ToNIL(bool expand8bit) {
    DibLayout layout;
    if (m_data == nullptr || !Describe(m_header, m_rgb, expand8bit, &layout)) return nullptr;
    N_ImageRec* image =
        NCreateImage(layout.nbands, m_header->biHeight, m_header->biWidth, NUByteRepn);
    if (image == nullptr) return nullptr;
    const int rows = image->nrows, cols = image->ncolumns;
    for (int r = 0; r < rows; ++r) {
        const unsigned char* src = m_data + static_cast<std::size_t>(rows - 1 - r) * layout.stride;
        unsigned char* out0 = image->band_index[0][r];
        if (m_header->biBitCount == 24) {
            unsigned char* out1 = image->band_index[1][r];
            unsigned char* out2 = image->band_index[2][r];
            for (int c = 0; c < cols; ++c, src += 3) {
                out0[c] = src[2];
                out1[c] = src[1];
                out2[c] = src[0];
            }
        } else if (m_header->biBitCount == 16) {
            unsigned char* out1 = image->band_index[1][r];
            unsigned char* out2 = image->band_index[2][r];
            for (int c = 0; c < cols; ++c, src += 2) {
                const unsigned v = src[0] | (static_cast<unsigned>(src[1]) << 8);
                out0[c] = static_cast<unsigned char>(((v >> 10) & 31) * 8);
                out1[c] = static_cast<unsigned char>(((v >> 5) & 31) * 8);
                out2[c] = static_cast<unsigned char>((v & 31) * 8);
            }
        } else if (layout.expandPalette) {
            unsigned char* out1 = image->band_index[1][r];
            unsigned char* out2 = image->band_index[2][r];
            for (int c = 0; c < cols; ++c) {
                const RGBQUAD& q = m_rgb[src[c]];
                out0[c] = q.rgbRed;
                out1[c] = q.rgbGreen;
                out2[c] = q.rgbBlue;
            }
        } else if (layout.greyFromPalette) {
            for (int c = 0; c < cols; ++c) {
                const RGBQUAD& q = m_rgb[src[c]];
                out0[c] = static_cast<unsigned char>(
                    (299 * q.rgbRed + 587 * q.rgbGreen + 114 * q.rgbBlue + 500) / 1000);
            }
        } else {
            std::memcpy(out0, src, static_cast<std::size_t>(cols));
        }
    }
    return image;
}

N_ImageRec* CBmpAdapter::ToNILDIB(bool expand8bit) {
    return ViewOf(m_header, m_rgb, m_data, expand8bit);
}

N_ImageRec* CBmpAdapter::ToNILDIB48Lower(bool expand8bit) {
    return ViewOf(m_header, m_rgb, m_data48lower, expand8bit);
}

void CBmpAdapter::FromNIL(N_ImageRec* image, unsigned short* palette) {
    if (image == nullptr || image->interleaved || image->repn != NUByteRepn ||
        (image->nbands != 1 && image->nbands != 3))
        throw CBmpAdapterException();
    BITMAPINFOHEADER* header = NewHeader(image);
    if (header == nullptr) throw CBmpAdapterException();
    const int rows = image->nrows, cols = image->ncolumns, nbands = image->nbands;
    const std::size_t stride = (static_cast<std::size_t>(nbands) * cols + 3) / 4 * 4;
    header->biSizeImage = static_cast<DWORD>(stride * rows);
    auto* pixels = static_cast<unsigned char*>(NMalloc(stride * rows));
    if (pixels == nullptr) {
        NError("Malloc Error at SetImageData()");
        delete header;
        throw CBmpAdapterException();
    }
    for (int r = rows - 1, out = 0; r >= 0; --r, ++out) {
        unsigned char* dst = pixels + static_cast<std::size_t>(out) * stride;
        if (nbands == 3) {
            const unsigned char* red = image->band_index[0][r];
            const unsigned char* green = image->band_index[1][r];
            const unsigned char* blue = image->band_index[2][r];
            for (int c = 0; c < cols; ++c, dst += 3) {
                dst[0] = blue[c];
                dst[1] = green[c];
                dst[2] = red[c];
            }
        } else {
            std::memcpy(dst, image->band_index[0][r], static_cast<std::size_t>(cols));
        }
    }
    SetPaletteFields(header, palette);
    if (palette != nullptr) m_rgb = reinterpret_cast<RGBQUAD*>(palette);
    m_header = header;
    m_data = pixels;
}

void CBmpAdapter::FromNILDIB(N_ImageRec* image, unsigned short* palette) {
    if (image == nullptr || image->data == nullptr) throw CBmpAdapterException();
    BITMAPINFOHEADER* header = NewHeader(image);
    if (header == nullptr) throw CBmpAdapterException();
    SetPaletteFields(header, palette);
    if (palette != nullptr) m_rgb = reinterpret_cast<RGBQUAD*>(palette);
    m_header = header;
    m_data = image->data;
    m_data48lower = nullptr;
}

void CBmpAdapter::FromNILDIB48Lower(N_ImageRec* image) {
    if (m_data == nullptr || m_header == nullptr || image == nullptr) throw CBmpAdapterException();
    FillHeader(m_header, image);
    m_data48lower = image->data;
}
