// Creation, destruction, pixel access, copies and band interpretation of N_ImageRec.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/attr_list.h"
#include "core/repn.h"
#include "stitchkit/ImageRec.h"

// A new planar image, all pixels zero; null after a report.
NImage NCreateImage(int nbands, int nrows, int ncolumns, NRepnKind repn);
// A new interleaved, bottom-up image over `pixels` (4-byte padded rows), or over nrows x stride
// zeroed bytes of its own when `pixels` is null (owns_data stays 0: set it to 1 to have
// NDestroyImage free them).
NImage NCreateDIBImage(int nbands, int nrows, int ncolumns, NRepnKind repn, unsigned char* pixels);
void NDestroyImage(NImage image);
// Frees the attribute list and the record, never the pixel memory.
void NDestroyDIBImage(NImage image);

// Bytes per row of an interleaved image.
inline std::int64_t NDIBStride(int nbands, int ncolumns, NRepnKind repn) {
    return ((static_cast<std::int64_t>(NRepnSize(repn)) * nbands * ncolumns + 3) / 4) * 4;
}
inline std::int64_t NImageStride(const N_ImageRec* image) {
    return NDIBStride(image->nbands, image->ncolumns, image->repn);
}

// Address of pixel (band, row, column) in either layout; no range check.
inline unsigned char* NPixelAddr(const N_ImageRec* image, int band, int row, int column) {
    const std::ptrdiff_t size = NRepnSize(image->repn);
    if (image->interleaved) {
        return image->row_index[row] +
               (static_cast<std::ptrdiff_t>(column) * image->nbands + band) * size;
    }
    return image->band_index[band][row] + static_cast<std::ptrdiff_t>(column) * size;
}
// Typed access to a pixel whose C type the caller knows.
template <class T> inline T& NPixel(const N_ImageRec* image, int band, int row, int column) {
    return *reinterpret_cast<T*>(NPixelAddr(image, band, row, column));
}

// Pixel as a double (bit and sbyte signed 8-bit, ubyte, short, long, float, double).
double NGetPixel(const N_ImageRec* image, int band, int row, int column);
// Stores a double into bit, ubyte (low 8 bits of the truncated value), long, float or double.
void NSetPixel(N_ImageRec* image, int band, int row, int column, double value);

NImage NCopyImage(NImage src, NImage dest, int band);
NImage NCopyImagePixels(NImage src, NImage dest, int band);
NImage NCopyImageAttrs(NImage src, NImage dest);
bool NCopyBand(NImage src, int src_band, NImage dest, int dest_band);

// The destination rule: a null destination is created (planar, or interleaved for the DIB
// variant); a given one must match in bands, rows, columns and kind.
NImage NCheckDest(const char* routine, NImage dest, int nbands, int nrows, int ncolumns,
                  NRepnKind repn);
NImage NCheckDIBDest(const char* routine, NImage dest, int nbands, int nrows, int ncolumns,
                     NRepnKind repn);

// Band -1: all pixels from data; else one band's plane. False after a report.
bool NSelectBand(const char* routine, const N_ImageRec* image, int band, std::uint32_t* npixels,
                 unsigned char** first_pixel);
// True when band is -1 or within the image; else reports
// "%s: Band %d referenced in image of %d band(s)".
bool NCheckBand(const char* routine, const N_ImageRec* image, int band);

bool NSetBandInterp(NImage image, NBandInterp frame_interp, int nframes,
                    NBandInterp viewpoint_interp, int nviewpoints, NBandInterp color_interp,
                    int ncolors, NBandInterp component_interp, int ncomponents);
// The stored interpretation (NBandInterpNone when the attribute is absent).
NBandInterp NGetBandInterp(const N_ImageRec* image, const char* attribute_name);

inline constexpr const char* NFrameInterpAttr = "frame_interp";
inline constexpr const char* NViewpointInterpAttr = "viewpoint_interp";
inline constexpr const char* NColorInterpAttr = "color_interp";
inline constexpr const char* NComponentInterpAttr = "component_interp";
