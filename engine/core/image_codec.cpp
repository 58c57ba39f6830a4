#include "core/image_codec.h"

#include <cstring>
#include <string>

#include "core/image_record.h"
#include "core/report.h"

namespace {

constexpr const char* kDataAttr = "data";

int PrecisionOf(NRepnKind kind) {
    return NRepnTable[kind].precision;
}

std::size_t PackedBytes(NRepnKind kind, std::size_t count) {
    return kind == NBitRepn ? (count + 7) / 8 : count * static_cast<std::size_t>(NRepnSize(kind));
}

int HexValue(char ch) {
    if (ch >= '0' && ch <= '9') return ch - '0';
    if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
    return -1;
}

} // namespace

bool NPackData(NRepnKind kind, int from_bits, int to_bits, std::size_t count,
               const unsigned char* in, unsigned char* out, std::size_t out_size) {
    const bool copy = from_bits == to_bits && from_bits == 8 * NRepnSize(kind);
    const bool bits = kind == NBitRepn && from_bits == 8 && to_bits == 1;
    if (!copy && !bits) {
        NWarning("NPackData: Packing %s from %d to %d bits is not supported", NRepnName(kind),
                 from_bits, to_bits);
        return false;
    }
    const std::size_t needed =
        bits ? (count + 7) / 8 : count * static_cast<std::size_t>(NRepnSize(kind));
    if (out_size < needed) {
        NWarning("NPackData: Insufficient space for packed data");
        return false;
    }
    if (copy) {
        std::memcpy(out, in, needed);
        return true;
    }
    std::memset(out, 0, needed);
    for (std::size_t i = 0; i < count; ++i)
        if (in[i] != 0) out[i / 8] |= static_cast<unsigned char>(0x80u >> (i % 8));
    return true;
}

bool NUnpackData(NRepnKind kind, int from_bits, int to_bits, std::size_t count,
                 const unsigned char* in, unsigned char* out, std::size_t out_size) {
    const bool copy = from_bits == to_bits && from_bits == 8 * NRepnSize(kind);
    const bool bits = kind == NBitRepn && from_bits == 1 && to_bits == 8;
    if (!copy && !bits) {
        NWarning("NUnpackData: Unpacking %s from %d to %d bits is not supported", NRepnName(kind),
                 from_bits, to_bits);
        return false;
    }
    const std::size_t needed = count * static_cast<std::size_t>(NRepnSize(kind));
    if (out_size < needed) {
        NWarning("NUnpackData: Insufficient space for unpacked data");
        return false;
    }
    if (copy) {
        std::memcpy(out, in, needed);
        return true;
    }
    for (std::size_t i = 0; i < count; ++i) out[i] = (in[i / 8] >> (7 - i % 8)) & 1u;
    return true;
}

NAttrList NImageEncodeAttrs(const N_ImageRec* image) {
    if (image == nullptr || image->interleaved) return nullptr;
    const NRepnKind kind = image->repn;
    const std::size_t packed = PackedBytes(kind, image->npixels);
    std::string block(packed, '\0');
    if (!NPackData(kind, 8 * NRepnSize(kind), kind == NBitRepn ? 1 : PrecisionOf(kind),
                   image->npixels, image->data, reinterpret_cast<unsigned char*>(block.data()),
                   block.size()))
        return nullptr;
    std::string hex;
    hex.reserve(2 * packed);
    static const char digits[] = "0123456789abcdef";
    for (unsigned char byte : block) {
        hex += digits[byte >> 4];
        hex += digits[byte & 15];
    }
    if (hex.size() != 2 * packed) {
        NWarning("NImageEncodeDataMethod: Encoded data has unexpected length");
        return nullptr;
    }
    NAttrList list = NCreateAttrList();
    if (list == nullptr) return nullptr;
    const struct {
        const char* name;
        int value;
    } fields[] = {{"nbands", image->nbands},           {"nrows", image->nrows},
                  {"ncolumns", image->ncolumns},       {"nframes", image->nframes},
                  {"nviewpoints", image->nviewpoints}, {"ncolors", image->ncolors},
                  {"ncomponents", image->ncomponents}};
    bool ok = true;
    for (const auto& f : fields)
        ok = ok && NAppendAttr(list, f.name, nullptr, NLongRepn, NAttrValue::Number(f.value));
    ok = ok && NAppendAttr(list, "repn", nullptr, NStringRepn, NAttrValue::String(NRepnName(kind)));
    ok = ok && NAppendAttr(list, kDataAttr, nullptr, NStringRepn, NAttrValue::String(hex.c_str()));
    if (!ok) {
        NDestroyAttrList(list);
        return nullptr;
    }
    return list;
}

NImage NImageDecodeAttrs(NAttrList list) {
    std::int32_t nbands = 0, nrows = 0, ncolumns = 0, nframes = 0, nviewpoints = 0, ncolors = 0,
                 ncomponents = 0;
    const char* repnName = nullptr;
    const char* hex = nullptr;
    if (!NGetAttr(list, "nbands", nullptr, NLongRepn, &nbands) ||
        !NGetAttr(list, "nrows", nullptr, NLongRepn, &nrows) ||
        !NGetAttr(list, "ncolumns", nullptr, NLongRepn, &ncolumns) ||
        !NGetAttr(list, "nframes", nullptr, NLongRepn, &nframes) ||
        !NGetAttr(list, "nviewpoints", nullptr, NLongRepn, &nviewpoints) ||
        !NGetAttr(list, "ncolors", nullptr, NLongRepn, &ncolors) ||
        !NGetAttr(list, "ncomponents", nullptr, NLongRepn, &ncomponents) ||
        !NGetAttr(list, "repn", nullptr, NStringRepn, &repnName) ||
        !NGetAttr(list, kDataAttr, nullptr, NStringRepn, &hex))
        return nullptr;
    NRepnKind kind = NUnknownRepn;
    for (int k = NBitRepn; k <= NDoubleRepn; ++k)
        if (std::strcmp(NRepnName(k), repnName) == 0) kind = static_cast<NRepnKind>(k);
    const long long product = static_cast<long long>(nframes) * nviewpoints * ncolors * ncomponents;
    if (product != nbands) {
        NWarning("NImageDecodeMethod: %s image has inconsistent nbands", repnName);
        return nullptr;
    }
    NImage image = NCreateImage(nbands, nrows, ncolumns, kind);
    if (image == nullptr) return nullptr;
    const std::size_t packed = PackedBytes(kind, image->npixels);
    if (std::strlen(hex) != 2 * packed) {
        NWarning("NImageDecodeMethod: %s image has wrong data length", repnName);
        NDestroyImage(image);
        return nullptr;
    }
    std::string block(packed, '\0');
    for (std::size_t i = 0; i < packed; ++i) {
        const int high = HexValue(hex[2 * i]), low = HexValue(hex[2 * i + 1]);
        if (high < 0 || low < 0) {
            NWarning("NImageDecodeMethod: %s image has wrong data length", repnName);
            NDestroyImage(image);
            return nullptr;
        }
        block[i] = static_cast<char>(high * 16 + low);
    }
    if (!NUnpackData(kind, kind == NBitRepn ? 1 : PrecisionOf(kind), 8 * NRepnSize(kind),
                     image->npixels, reinterpret_cast<const unsigned char*>(block.data()),
                     image->data, image->npixels * static_cast<std::size_t>(NRepnSize(kind)))) {
        NDestroyImage(image);
        return nullptr;
    }
    image->nframes = nframes;
    image->nviewpoints = nviewpoints;
    image->ncolors = ncolors;
    image->ncomponents = ncomponents;
    return image;
}
