// The engine's raster record. Pictures handed across the library boundary by the image
// adapters arrive as N_ImageRec; the functions that work on it are internal to the engine.
#pragma once

#include <cstdint>

enum NRepnKind : std::int32_t {
    NUnknownRepn = 0,
    NBitRepn = 1,
    NUByteRepn = 2,
    NSByteRepn = 3,
    NShortRepn = 4,
    NLongRepn = 5,
    NFloatRepn = 6,
    NDoubleRepn = 7,
    NAttrListRepn = 8,
    NBooleanRepn = 9,
    NBundleRepn = 10,
    NListRepn = 11,
    NPointerRepn = 12,
    NStringRepn = 13,
    NImageRepn = 14,
    NNRepnKinds = 15
};

struct NAttrListRec;
using NAttrList = NAttrListRec*;

// flags bit 0: record, indexes and (planar) pixels lie in one allocation;
// flags bit 1: the indexes lie in the record's allocation.
inline constexpr unsigned NImageSingleAlloc = 0x01;
inline constexpr unsigned NImageIndexesInRecord = 0x02;

struct N_ImageRec {
    std::int32_t nbands;         // at least 1
    std::int32_t nrows;          // at least 1
    std::int32_t ncolumns;       // at least 1
    NRepnKind repn;              // representation of every pixel
    std::uint32_t flags;         // see NImageSingleAlloc / NImageIndexesInRecord
    NAttrList attributes;        // never null
    unsigned char* data;         // first pixel byte
    unsigned char** row_index;   // start of each row
    unsigned char*** band_index; // for each band, a pointer into row_index
    std::int32_t nframes;        // band interpretation counts:
    std::int32_t nviewpoints;    // nbands = nframes x nviewpoints x ncolors x ncomponents
    std::int32_t ncolors;
    std::int32_t ncomponents;
    std::uint32_t npixels;    // nbands x nrows x ncolumns
    std::int32_t interleaved; // 0 planar, 1 interleaved bottom-up (a DIB view)
    std::int32_t owns_data;   // interleaved only: destroying the image frees the pixels
};

using NImage = N_ImageRec*;
