// Images as attribute lists: an image's sizes, representation and band interpretation as
// numeric attributes and its pixels as a packed data block (text of two hex digits a byte), so
// that an image can be kept wherever attribute lists are kept.
#pragma once

#include <cstddef>

#include "core/attr_list.h"
#include "stitchkit/ImageRec.h"

// Packs `count` values of `kind` from `from_bits` to `to_bits` bits each: bit images go from
// 8 to 1 bit a pixel (most significant bit first), every kind may be copied at its own width.
// False after a report when the packing is not supported or `out` is too small.
bool NPackData(NRepnKind kind, int from_bits, int to_bits, std::size_t count,
               const unsigned char* in, unsigned char* out, std::size_t out_size);
// The reverse of NPackData.
bool NUnpackData(NRepnKind kind, int from_bits, int to_bits, std::size_t count,
                 const unsigned char* in, unsigned char* out, std::size_t out_size);

// A new attribute list describing the image (planar images only); null after a report.
NAttrList NImageEncodeAttrs(const N_ImageRec* image);
// The image an attribute list describes; null after a report.
NImage NImageDecodeAttrs(NAttrList list);
