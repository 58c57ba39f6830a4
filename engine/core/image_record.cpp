#include "core/image_record.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "core/memory.h"
#include "core/report.h"

namespace {

constexpr std::size_t kPixelAlignment = 16; // a multiple of every pixel size

bool IsImageRepn(NRepnKind repn) {
    return repn == NBitRepn || repn == NUByteRepn || repn == NSByteRepn || repn == NShortRepn ||
           repn == NFloatRepn || repn == NDoubleRepn;
}

// The creation checks shared by both layouts, in their fixed order.
bool CheckCreation(int nbands, int nrows, int ncolumns, NRepnKind repn) {
    if (nbands < 1) {
        NWarning("NCreateImage: Invalid number of bands: %d", nbands);
        return false;
    }
    if (nrows < 1) {
        NWarning("NCreateImage: Invalid number of rows: %d", nrows);
        return false;
    }
    if (ncolumns < 1) {
        NWarning("NCreateImage: Invalid number of columns: %d", ncolumns);
        return false;
    }
    if (!IsImageRepn(repn)) {
        NWarning("NCreateImage: Invalid pixel representation: %d", static_cast<int>(repn));
        return false;
    }
    return true;
}

std::size_t AlignUp(std::size_t n, std::size_t a) {
    return (n + a - 1) / a * a;
}

// A size that cannot be allocated: NMalloc refuses it with its usual report.
constexpr std::size_t kTooLarge = std::numeric_limits<std::size_t>::max();

void InitRecord(N_ImageRec* image, int nbands, int nrows, int ncolumns, NRepnKind repn,
                NAttrList attributes) {
    image->nbands = nbands;
    image->nrows = nrows;
    image->ncolumns = ncolumns;
    image->repn = repn;
    image->flags = NImageSingleAlloc;
    image->attributes = attributes;
    image->nframes = nbands;
    image->nviewpoints = 1;
    image->ncolors = 1;
    image->ncomponents = 1;
    image->npixels =
        static_cast<std::uint32_t>(static_cast<std::uint64_t>(nbands) * nrows * ncolumns);
}

// Converts a double to a 64-bit integer by truncation toward zero, saturating where the value
// is outside the 64-bit range (converting such a double directly is undefined).
long long TruncateToInteger(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 9.2e18) return std::numeric_limits<long long>::max();
    if (value <= -9.2e18) return std::numeric_limits<long long>::min();
    return static_cast<long long>(value);
}

} // namespace

NImage NCreateImage(int nbands, int nrows, int ncolumns, NRepnKind repn) {
    if (!CheckCreation(nbands, nrows, ncolumns, repn)) return nullptr;
    const std::uint64_t npixels = static_cast<std::uint64_t>(nbands) * nrows * ncolumns;
    const std::uint64_t nrowStarts = static_cast<std::uint64_t>(nbands) * nrows;
    std::size_t total = kTooLarge;
    std::size_t pixelOffset = 0;
    if (npixels <= std::numeric_limits<std::uint32_t>::max()) {
        const std::size_t indexes = sizeof(N_ImageRec) + nbands * sizeof(unsigned char**) +
                                    nrowStarts * sizeof(unsigned char*);
        pixelOffset = AlignUp(indexes, kPixelAlignment);
        total = pixelOffset + npixels * NRepnSize(repn);
    }
    NAttrList attributes = NCreateAttrList();
    if (attributes == nullptr) return nullptr;
    auto* block = static_cast<unsigned char*>(NMalloc(total));
    if (block == nullptr) {
        NDestroyAttrList(attributes);
        return nullptr;
    }
    auto* image = reinterpret_cast<N_ImageRec*>(block);
    InitRecord(image, nbands, nrows, ncolumns, repn, attributes);
    image->band_index = reinterpret_cast<unsigned char***>(block + sizeof(N_ImageRec));
    image->row_index = reinterpret_cast<unsigned char**>(image->band_index + nbands);
    image->data = block + pixelOffset;
    const std::size_t rowBytes = static_cast<std::size_t>(ncolumns) * NRepnSize(repn);
    for (std::size_t i = 0; i < nrowStarts; ++i) image->row_index[i] = image->data + i * rowBytes;
    for (int b = 0; b < nbands; ++b)
        image->band_index[b] = image->row_index + static_cast<std::size_t>(b) * nrows;
    image->interleaved = 0;
    image->owns_data = 0;
    return image;
}

NImage NCreateDIBImage(int nbands, int nrows, int ncolumns, NRepnKind repn, unsigned char* pixels) {
    if (!CheckCreation(nbands, nrows, ncolumns, repn)) return nullptr;
    const std::uint64_t npixels = static_cast<std::uint64_t>(nbands) * nrows * ncolumns;
    const std::int64_t stride = NDIBStride(nbands, ncolumns, repn);
    const std::size_t recordSize = sizeof(N_ImageRec) + sizeof(unsigned char**) +
                                   static_cast<std::size_t>(nrows) * sizeof(unsigned char*);
    const bool fits = npixels <= std::numeric_limits<std::uint32_t>::max();
    NAttrList attributes = NCreateAttrList();
    if (attributes == nullptr) return nullptr;
    auto* block = static_cast<unsigned char*>(NMalloc(fits ? recordSize : kTooLarge));
    if (block == nullptr) {
        NDestroyAttrList(attributes);
        return nullptr;
    }
    unsigned char* data = pixels;
    if (data == nullptr) {
        data = static_cast<unsigned char*>(NMalloc(static_cast<std::size_t>(stride) * nrows));
        if (data == nullptr) {
            NDestroyAttrList(attributes);
            NFree(block);
            return nullptr;
        }
    }
    auto* image = reinterpret_cast<N_ImageRec*>(block);
    InitRecord(image, nbands, nrows, ncolumns, repn, attributes);
    image->band_index = reinterpret_cast<unsigned char***>(block + sizeof(N_ImageRec));
    image->row_index = reinterpret_cast<unsigned char**>(image->band_index + 1);
    image->band_index[0] = image->row_index;
    image->data = data;
    for (int r = 0; r < nrows; ++r)
        image->row_index[r] = data + static_cast<std::size_t>(nrows - 1 - r) * stride;
    image->interleaved = 1;
    image->owns_data = 0;
    return image;
}

void NDestroyImage(NImage image) {
    if (image == nullptr) return;
    if (image->attributes != nullptr) NDestroyAttrList(image->attributes);
    if (image->interleaved && image->owns_data) NFree(image->data);
    NFree(image);
}

void NDestroyDIBImage(NImage image) {
    if (image == nullptr) return;
    if (image->attributes != nullptr) NDestroyAttrList(image->attributes);
    NFree(image);
}

double NGetPixel(const N_ImageRec* image, int band, int row, int column) {
    const unsigned char* p = NPixelAddr(image, band, row, column);
    switch (image->repn) {
    case NBitRepn:
    case NSByteRepn:
        return *reinterpret_cast<const signed char*>(p);
    case NUByteRepn:
        return *p;
    case NShortRepn:
        return *reinterpret_cast<const std::int16_t*>(p);
    case NLongRepn:
        return *reinterpret_cast<const std::int32_t*>(p);
    case NFloatRepn:
        return *reinterpret_cast<const float*>(p);
    case NDoubleRepn:
        return *reinterpret_cast<const double*>(p);
    default:
        NError("NGetPixel: %s images not supported", NRepnName(image->repn));
        return 0.0;
    }
}

void NSetPixel(N_ImageRec* image, int band, int row, int column, double value) {
    unsigned char* p = NPixelAddr(image, band, row, column);
    switch (image->repn) {
    case NBitRepn:
    case NUByteRepn:
        *p = static_cast<unsigned char>(TruncateToInteger(value) & 0xFF);
        break;
    case NLongRepn:
        *reinterpret_cast<std::int32_t*>(p) = static_cast<std::int32_t>(TruncateToInteger(value));
        break;
    case NFloatRepn:
        *reinterpret_cast<float*>(p) = static_cast<float>(value);
        break;
    case NDoubleRepn:
        *reinterpret_cast<double*>(p) = value;
        break;
    default:
        NError("NSetPixel: %s images not supported", NRepnName(image->repn));
        break;
    }
}

bool NCheckBand(const char* routine, const N_ImageRec* image, int band) {
    if (band == -1 || (band >= 0 && band < image->nbands)) return true;
    NWarning("%s: Band %d referenced in image of %d band(s)", routine, band, image->nbands);
    return false;
}

namespace {

NImage CheckDest(const char* routine, NImage dest, int nbands, int nrows, int ncolumns,
                 NRepnKind repn, bool interleaved) {
    if (dest == nullptr) {
        if (!interleaved) return NCreateImage(nbands, nrows, ncolumns, repn);
        NImage created = NCreateDIBImage(nbands, nrows, ncolumns, repn, nullptr);
        if (created != nullptr) created->owns_data = 1; // the engine made it: it frees it
        return created;
    }
    if (dest->nbands != nbands) {
        NWarning("%s: Destination image has %d bands; %d expected", routine, dest->nbands, nbands);
        return nullptr;
    }
    if (dest->nrows != nrows) {
        NWarning("%s: Destination image has %d rows; %d expected", routine, dest->nrows, nrows);
        return nullptr;
    }
    if (dest->ncolumns != ncolumns) {
        NWarning("%s: Destination image has %d columns; %d expected", routine, dest->ncolumns,
                 ncolumns);
        return nullptr;
    }
    if (dest->repn != repn) {
        NWarning("%s: Destination image has %s pixels; %s expected", routine, NRepnName(dest->repn),
                 NRepnName(repn));
        return nullptr;
    }
    // The operations address pixels through the layout they expect; a destination of the
    // other layout would be written out of bounds.
    if ((dest->interleaved != 0) != interleaved) {
        NWarning("%s: Destination image is %s; %s expected", routine,
                 dest->interleaved ? "interleaved" : "planar",
                 interleaved ? "interleaved" : "planar");
        return nullptr;
    }
    return dest;
}

} // namespace

NImage NCheckDest(const char* routine, NImage dest, int nbands, int nrows, int ncolumns,
                  NRepnKind repn) {
    return CheckDest(routine, dest, nbands, nrows, ncolumns, repn, false);
}

NImage NCheckDIBDest(const char* routine, NImage dest, int nbands, int nrows, int ncolumns,
                     NRepnKind repn) {
    return CheckDest(routine, dest, nbands, nrows, ncolumns, repn, true);
}

bool NSelectBand(const char* routine, const N_ImageRec* image, int band, std::uint32_t* npixels,
                 unsigned char** first_pixel) {
    if (band == -1) {
        *npixels = image->npixels;
        *first_pixel = image->data;
        return true;
    }
    if (band >= 0 && band < image->nbands) {
        *npixels = static_cast<std::uint32_t>(image->nrows) * image->ncolumns;
        *first_pixel = image->band_index[band][0];
        return true;
    }
    NWarning("%s: Band %d referenced in image of %d band(s)", routine, band, image->nbands);
    return false;
}

NImage NCopyImagePixels(NImage src, NImage dest, int band) {
    if (!NCheckBand("NCopyImagePixels", src, band)) return nullptr;
    const int nbands = band == -1 ? src->nbands : 1;
    NImage result =
        src->interleaved
            ? NCheckDIBDest("NCopyImagePixels", dest, nbands, src->nrows, src->ncolumns, src->repn)
            : NCheckDest("NCopyImagePixels", dest, nbands, src->nrows, src->ncolumns, src->repn);
    if (result == nullptr || result == src) return result;
    const std::size_t size = NRepnSize(src->repn);
    if (src->interleaved && band == -1) {
        std::memcpy(result->data, src->data,
                    static_cast<std::size_t>(NImageStride(src)) * src->nrows);
    } else if (src->interleaved) {
        for (int r = 0; r < src->nrows; ++r)
            for (int c = 0; c < src->ncolumns; ++c)
                std::memcpy(NPixelAddr(result, 0, r, c), NPixelAddr(src, band, r, c), size);
    } else {
        const std::size_t plane = static_cast<std::size_t>(src->nrows) * src->ncolumns * size;
        const unsigned char* from = band == -1 ? src->data : src->band_index[band][0];
        std::memcpy(result->data, from, plane * nbands);
    }
    return result;
}

NImage NCopyImageAttrs(NImage src, NImage dest) {
    if (dest == nullptr) {
        dest = src->interleaved ? NCheckDIBDest("NCopyImageAttrs", nullptr, src->nbands, src->nrows,
                                                src->ncolumns, src->repn)
                                : NCreateImage(src->nbands, src->nrows, src->ncolumns, src->repn);
        if (dest == nullptr) return nullptr;
    }
    if (!NAttrListEmpty(src->attributes)) {
        NAttrList copy = NCopyAttrList(src->attributes);
        if (copy == nullptr) return nullptr;
        if (dest->attributes != nullptr) NDestroyAttrList(dest->attributes);
        dest->attributes = copy;
    } else if (!NAttrListEmpty(dest->attributes)) {
        NAttrList fresh = NCreateAttrList();
        if (fresh == nullptr) return nullptr;
        NDestroyAttrList(dest->attributes);
        dest->attributes = fresh;
    }
    if (src->nbands > 1 && dest->nbands == src->nbands) {
        dest->nframes = src->nframes;
        dest->nviewpoints = src->nviewpoints;
        dest->ncolors = src->ncolors;
        dest->ncomponents = src->ncomponents;
    } else {
        for (const char* name :
             {NFrameInterpAttr, NViewpointInterpAttr, NColorInterpAttr, NComponentInterpAttr}) {
            NAttrListPosn posn;
            if (NLookupAttr(dest->attributes, name, &posn)) NDeleteAttr(&posn);
        }
        dest->nframes = dest->nbands;
        dest->nviewpoints = dest->ncolors = dest->ncomponents = 1;
    }
    return dest;
}

NImage NCopyImage(NImage src, NImage dest, int band) {
    if (src == nullptr) return nullptr;
    if (dest == src && (band == -1 || (band == 0 && src->nbands == 1))) return src;
    const bool created = dest == nullptr;
    NImage result = NCopyImagePixels(src, dest, band);
    if (result == nullptr) return nullptr;
    if (NCopyImageAttrs(src, result) == nullptr) {
        if (created) NDestroyImage(result);
        return nullptr;
    }
    return result;
}

bool NCopyBand(NImage src, int src_band, NImage dest, int dest_band) {
    if (dest == nullptr) {
        NWarning("NCopyBand: No destination specified");
        return false;
    }
    if (dest_band < 0 || dest_band >= dest->nbands) {
        NWarning("NCopyBand: Band %d referenced in image of %d bands", dest_band, dest->nbands);
        return false;
    }
    if (src_band == -1 && dest_band + src->nbands > dest->nbands) {
        NWarning("NCopyBand: Band %d referenced in image of %d bands", dest_band + src->nbands - 1,
                 dest->nbands);
        return false;
    }
    if (src->interleaved || dest->interleaved) {
        NWarning("NCopyBand: Interleaved images are not supported");
        return false;
    }
    const int nbands = src_band == -1 ? src->nbands : 1;
    NImage checked =
        NCheckDest("NCopyBand", dest, dest->nbands, src->nrows, src->ncolumns, src->repn);
    if (checked == nullptr) return false;
    if (!NCheckBand("NCopyBand", src, src_band)) return false;
    const std::size_t plane =
        static_cast<std::size_t>(src->nrows) * src->ncolumns * NRepnSize(src->repn);
    const unsigned char* from = src->band_index[src_band == -1 ? 0 : src_band][0];
    unsigned char* to = dest->band_index[dest_band][0];
    if (from != to) std::memmove(to, from, plane * nbands);
    return true;
}

bool NSetBandInterp(NImage image, NBandInterp frame_interp, int nframes,
                    NBandInterp viewpoint_interp, int nviewpoints, NBandInterp color_interp,
                    int ncolors, NBandInterp component_interp, int ncomponents) {
    bool ok = true;
    const long long product = static_cast<long long>(nframes) * nviewpoints * ncolors * ncomponents;
    if (product != image->nbands) {
        NWarning("NSetBandInterp: No. bands (%d) conflicts with no. of frames, etc. (%d %d %d %d)",
                 image->nbands, nframes, nviewpoints, ncolors, ncomponents);
        ok = false;
    }
    const struct {
        const char* name;
        NBandInterp interp;
    } items[] = {{NFrameInterpAttr, frame_interp},
                 {NViewpointInterpAttr, viewpoint_interp},
                 {NColorInterpAttr, color_interp},
                 {NComponentInterpAttr, component_interp}};
    for (const auto& item : items) {
        if (item.interp != NBandInterpNone) {
            if (!NSetAttr(image->attributes, item.name, NBandInterpDict, NLongRepn,
                          NAttrValue::Number(item.interp)))
                ok = false;
        } else {
            NAttrListPosn posn;
            if (NLookupAttr(image->attributes, item.name, &posn)) NDeleteAttr(&posn);
        }
    }
    image->nframes = nframes;
    image->nviewpoints = nviewpoints;
    image->ncolors = ncolors;
    image->ncomponents = ncomponents;
    return ok;
}

NBandInterp NGetBandInterp(const N_ImageRec* image, const char* attribute_name) {
    std::int32_t value = NBandInterpNone;
    NAttrListPosn posn;
    if (!NLookupAttr(image->attributes, attribute_name, &posn)) return NBandInterpNone;
    if (!NGetAttrValue(&posn, NBandInterpDict, NLongRepn, &value)) return NBandInterpNone;
    return static_cast<NBandInterp>(value);
}
