#include "core/image_ops.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>
#include <vector>

#include "core/image_ptr.h"
#include "core/pixel_rows.h"
#include "core/report.h"

namespace {

// ---------------------------------------------------------------------------------------------
// Value helpers

// The low 8 bits of a value truncated toward zero (non-finite values give 0).
unsigned char LowByte(double value) {
    if (!std::isfinite(value)) return 0;
    double m = std::fmod(std::trunc(value), 256.0);
    if (m < 0.0) m += 256.0;
    return static_cast<unsigned char>(m);
}

// A double stored into the C type of a pixel: integers truncated toward zero and saturated to
// the type's range (NaN gives 0), floats and doubles as they are.
template <class T> T StoreAs(double value) {
    if constexpr (std::is_integral_v<T>) {
        if (std::isnan(value)) return 0;
        constexpr double lo = static_cast<double>(std::numeric_limits<T>::min());
        constexpr double hi = static_cast<double>(std::numeric_limits<T>::max());
        if (value <= lo) return std::numeric_limits<T>::min();
        if (value >= hi) return std::numeric_limits<T>::max();
        return static_cast<T>(value);
    } else if constexpr (std::is_same_v<T, float>) {
        return NToFloat(value);
    } else {
        return value;
    }
}

// Copies `count` elements of `size` bytes from one row to another, each side with its own
// byte step between elements.
void CopyElements(unsigned char* to, std::ptrdiff_t to_step, const unsigned char* from,
                  std::ptrdiff_t from_step, int count, std::size_t size) {
    const auto step = static_cast<std::ptrdiff_t>(size);
    if (to_step == step && from_step == step) {
        std::memcpy(to, from, static_cast<std::size_t>(count) * size);
        return;
    }
    for (int i = 0; i < count; ++i, to += to_step, from += from_step) std::memcpy(to, from, size);
}

// Bands that one pass of a row loop handles together: `count` bands starting at `src_band`,
// written to the destination bands starting at `dest_band`. An interleaved source with all
// bands selected is one group (its bands are adjacent in memory); otherwise one band per group.
struct BandGroup {
    int src_band;
    int dest_band;
    int count;
};

std::vector<BandGroup> SelectGroups(const N_ImageRec* src, int band) {
    if (band >= 0) return {{band, 0, 1}};
    if (src->interleaved) return {{0, 0, src->nbands}};
    std::vector<BandGroup> groups;
    for (int b = 0; b < src->nbands; ++b) groups.push_back({b, b, 1});
    return groups;
}

// ---------------------------------------------------------------------------------------------
// Bilinear sampling

template <class T>
double Interpolate(const N_ImageRec* image, int band, int r0, int c0, double dr, double dc) {
    const std::ptrdiff_t pitch = NPixelPitch(image);
    const T* upper = NRowPtr<const T>(image, band, r0) + c0 * pitch;
    const T* lower = NRowPtr<const T>(image, band, r0 + 1) + c0 * pitch;
    const double p00 = upper[0], p01 = upper[pitch], p10 = lower[0], p11 = lower[pitch];
    return p00 * (1 - dr) * (1 - dc) + p01 * (1 - dr) * dc + p10 * dr * (1 - dc) + p11 * dr * dc;
}

// ---------------------------------------------------------------------------------------------
// Block-average reduction
//
// A result pixel is the sum, in double precision and in row-major block order, of value / n
// over its fr x fc block (n = fr x fc), truncated toward zero for integer kinds.

// Any kind: per-column double accumulators, one source row at a time. For a fixed result
// pixel the additions happen block row by block row, left to right.
template <class T>
void ReduceGroupLiteral(const N_ImageRec* src, N_ImageRec* dest, const BandGroup& g, int fr, int fc,
                        int orows, int ocols) {
    const std::ptrdiff_t pitch = NPixelPitch(src);
    const std::ptrdiff_t dpitch = NPixelPitch(dest);
    const int nch = g.count;
    const double n = static_cast<double>(fr) * fc;
    std::vector<double> acc(static_cast<std::size_t>(ocols) * nch);
    for (int i = 0; i < orows; ++i) {
        std::fill(acc.begin(), acc.end(), 0.0);
        for (int q = 0; q < fr; ++q) {
            const T* s = NRowPtr<const T>(src, g.src_band, i * fr + q);
            for (int j = 0; j < ocols; ++j) {
                double* a = acc.data() + static_cast<std::ptrdiff_t>(j) * nch;
                const T* p = s + static_cast<std::ptrdiff_t>(j) * fc * pitch;
                for (int t = 0; t < fc; ++t, p += pitch)
                    for (int k = 0; k < nch; ++k) a[k] += static_cast<double>(p[k]) / n;
            }
        }
        for (int k = 0; k < nch; ++k) {
            T* d = NRowPtr<T>(dest, g.dest_band + k, i);
            for (int j = 0; j < ocols; ++j)
                d[j * dpitch] = StoreAs<T>(acc[static_cast<std::size_t>(j) * nch + k]);
        }
    }
}

// Sums one source row of ubyte blocks into integer accumulators (nch bands handled together,
// `pitch` elements from one pixel to the next).
void SumRowU8(std::uint32_t* __restrict acc, const std::uint8_t* __restrict s, int ocols, int fc,
              std::ptrdiff_t pitch, int nch) {
    const std::ptrdiff_t block = static_cast<std::ptrdiff_t>(fc) * pitch;
    for (int j = 0; j < ocols; ++j, s += block, acc += nch)
        for (int k = 0; k < nch; ++k) {
            std::uint32_t sum = 0;
            for (int t = 0; t < fc; ++t) sum += s[t * pitch + k];
            acc[k] += sum;
        }
}

// The same for rows whose pixels are packed (pitch = NC) with a block width of FC, both known
// at compile time: the common reductions by 2 and 4 of grey, planar and interleaved RGB rows.
template <int NC, int FC>
void SumPackedRowU8(std::uint32_t* __restrict acc, const std::uint8_t* __restrict s, int ocols) {
    for (int j = 0; j < ocols; ++j, s += NC * FC, acc += NC)
        for (int k = 0; k < NC; ++k) {
            std::uint32_t sum = 0;
            for (int t = 0; t < FC; ++t) sum += s[t * NC + k];
            acc[k] += sum;
        }
}

template <int NC>
bool SumPackedRowU8(std::uint32_t* acc, const std::uint8_t* s, int ocols, int fc) {
    if (fc == 2) {
        SumPackedRowU8<NC, 2>(acc, s, ocols);
        return true;
    }
    if (fc == 4) {
        SumPackedRowU8<NC, 4>(acc, s, ocols);
        return true;
    }
    return false;
}

// Largest block for the integer path: far below the point where the double sum could stray
// from the exact mean across an integer.
constexpr std::int64_t kMaxIntegerBlock = 65536;

// ubyte: exact integer block sums, and the mean truncated toward zero. For blocks of a power
// of two this is exactly the sum of value / n in double; for other block sizes the exact mean
// also keeps a uniform block at its value (a double sum of nine 10 / 9 falls just short of 10).
void ReduceGroupU8(const N_ImageRec* src, N_ImageRec* dest, const BandGroup& g, int fr, int fc,
                   int orows, int ocols) {
    const std::ptrdiff_t pitch = NPixelPitch(src);
    const std::ptrdiff_t dpitch = NPixelPitch(dest);
    const int nch = g.count;
    const auto n = static_cast<std::uint32_t>(fr * fc);
    const bool pow2 = std::has_single_bit(n);
    const int shift = std::countr_zero(n);
    std::vector<std::uint32_t> acc(static_cast<std::size_t>(ocols) * nch);
    std::uint32_t* const a0 = acc.data();
    for (int i = 0; i < orows; ++i) {
        std::fill(acc.begin(), acc.end(), 0u);
        for (int q = 0; q < fr; ++q) {
            const std::uint8_t* s = NRowPtr<const std::uint8_t>(src, g.src_band, i * fr + q);
            const bool packed =
                pitch == nch && ((nch == 1 && SumPackedRowU8<1>(a0, s, ocols, fc)) ||
                                 (nch == 3 && SumPackedRowU8<3>(a0, s, ocols, fc)));
            if (!packed) SumRowU8(a0, s, ocols, fc, pitch, nch);
        }
        for (int k = 0; k < nch; ++k) {
            std::uint8_t* d = NRowPtr<std::uint8_t>(dest, g.dest_band + k, i);
            const std::uint32_t* a = acc.data() + k;
            if (pow2) {
                for (int j = 0; j < ocols; ++j)
                    d[j * dpitch] = static_cast<std::uint8_t>(a[j * nch] >> shift);
                continue;
            }
            for (int j = 0; j < ocols; ++j)
                d[j * dpitch] = static_cast<std::uint8_t>(a[j * nch] / n);
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Filling

template <class T> void FillBands(N_ImageRec* image, int first, int last, T value) {
    const std::ptrdiff_t pitch = NPixelPitch(image);
    for (int b = first; b < last; ++b) {
        if (!image->interleaved) {
            std::fill_n(NRowPtr<T>(image, b, 0),
                        static_cast<std::size_t>(image->nrows) * image->ncolumns, value);
            continue;
        }
        for (int r = 0; r < image->nrows; ++r) {
            T* p = NRowPtr<T>(image, b, r);
            for (int c = 0; c < image->ncolumns; ++c) p[c * pitch] = value;
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Conversion

// Converts one row; returns the number of values that were out of the destination's range
// [lo, hi] (those become the nearest bound; NaN becomes 0 in integer kinds).
template <class S, class D>
std::size_t ConvertRow(const S* s, std::ptrdiff_t spitch, D* d, std::ptrdiff_t dpitch, int n,
                       double lo, double hi) {
    std::size_t clamped = 0;
    if constexpr (std::is_same_v<D, double> ||
                  (std::is_floating_point_v<D> && std::is_integral_v<S>)) {
        // Every value of the source kind exists in the destination kind.
        for (int c = 0; c < n; ++c) d[c * dpitch] = static_cast<D>(s[c * spitch]);
    } else if constexpr (std::is_floating_point_v<D>) {
        // double to float: finite values beyond the float range are clamped; infinities and
        // NaN exist in both and pass.
        for (int c = 0; c < n; ++c) {
            const double v = s[c * spitch];
            if (std::isfinite(v) && (v < lo || v > hi)) {
                d[c * dpitch] = static_cast<D>(v < lo ? lo : hi);
                ++clamped;
            } else {
                d[c * dpitch] = static_cast<D>(v);
            }
        }
    } else {
        for (int c = 0; c < n; ++c) {
            const double v = static_cast<double>(s[c * spitch]);
            if (v < lo) {
                d[c * dpitch] = static_cast<D>(lo);
                ++clamped;
            } else if (v > hi) {
                d[c * dpitch] = static_cast<D>(hi);
                ++clamped;
            } else if (v != v) {
                d[c * dpitch] = 0;
                ++clamped;
            } else {
                d[c * dpitch] = static_cast<D>(v);
            }
        }
    }
    return clamped;
}

} // namespace

// -------------------------------------------------------------------------------------------------

double NGetPixelBilinear(const N_ImageRec* image, int band, double row, double column) {
    if (image == nullptr) return -1.0;
    if (band < 0 || band >= image->nbands) {
        NWarning("%s: Band %d referenced in image of %d band(s)", "NGetPixelBilinear", band,
                 image->nbands);
        return -1.0;
    }
    const double fr = std::floor(row), fc = std::floor(column);
    // Written so that NaN coordinates count as out of range.
    if (!(fr >= 0.0) || !(fc >= 0.0) || fr > image->nrows - 1 || fc > image->ncolumns - 1) {
        NWarning("Out of range:(%f, %f) in %d x %d", row, column, image->nrows, image->ncolumns);
        return -1.0;
    }
    const int r0 = static_cast<int>(fr), c0 = static_cast<int>(fc);
    if (r0 + 1 > image->nrows - 1 || c0 + 1 > image->ncolumns - 1)
        return NGetPixel(image, band, r0, c0);
    const double dr = row - fr, dc = column - fc;
    switch (image->repn) {
    case NBitRepn:
        return Interpolate<std::int8_t>(image, band, r0, c0, dr, dc);
    case NUByteRepn:
        return Interpolate<std::uint8_t>(image, band, r0, c0, dr, dc);
    case NLongRepn:
        return Interpolate<std::int32_t>(image, band, r0, c0, dr, dc);
    case NFloatRepn:
        return Interpolate<float>(image, band, r0, c0, dr, dc);
    case NDoubleRepn:
        return Interpolate<double>(image, band, r0, c0, dr, dc);
    default:
        NError("NGetPixel: %s images not supported", NRepnName(image->repn));
        return -1.0;
    }
}

NImage NReduceImage(NImage src, NImage dest, int band, int row_factor, int column_factor) {
    if (src == nullptr) return nullptr;
    if (row_factor < 1 || column_factor < 1) {
        NWarning("NReduceImage: Scaling factors are not positive");
        return nullptr;
    }
    if (row_factor == 1 && column_factor == 1) return NCopyImage(src, dest, band);
    if (!NCheckBand("NReduceImage", src, band)) return nullptr;
    const int orows = src->nrows / row_factor;
    const int ocols = src->ncolumns / column_factor;
    if (orows == 0 || ocols == 0) {
        NWarning("NReduceImage: Destination image would have zero dimension");
        return nullptr;
    }
    const int nbands = band == -1 ? src->nbands : 1;
    NImage result = src->interleaved
                        ? NCheckDIBDest("NReduceImage", dest, nbands, orows, ocols, src->repn)
                        : NCheckDest("NReduceImage", dest, nbands, orows, ocols, src->repn);
    if (result == nullptr) return nullptr;
    const bool created = dest == nullptr;

    // Both factors are at most the source size here, so the block size fits in 64 bits.
    const std::int64_t block = static_cast<std::int64_t>(row_factor) * column_factor;
    for (const BandGroup& g : SelectGroups(src, band)) {
        if (src->repn == NUByteRepn && block <= kMaxIntegerBlock) {
            ReduceGroupU8(src, result, g, row_factor, column_factor, orows, ocols);
            continue;
        }
        NVisitPixelType(src->repn, [&]<class T>(std::type_identity<T>) {
            ReduceGroupLiteral<T>(src, result, g, row_factor, column_factor, orows, ocols);
        });
    }
    return NFinishResult(src, result, created);
}

bool NFillImage(NImage image, int band, double value) {
    if (image == nullptr) return false;
    if (!NCheckBand("NFillImage", image, band)) return false;
    const std::size_t size = NRepnSize(image->repn);
    const int first = band == -1 ? 0 : band;
    const int last = band == -1 ? image->nbands : band + 1;
    if (size == 1 || value == 0.0) {
        const unsigned char byte = LowByte(value);
        if (band == -1) {
            const std::size_t bytes =
                image->interleaved ? static_cast<std::size_t>(NImageStride(image)) * image->nrows
                                   : static_cast<std::size_t>(image->npixels) * size;
            std::memset(image->data, byte, bytes);
        } else if (!image->interleaved) {
            std::memset(NPixelAddr(image, band, 0, 0), byte,
                        static_cast<std::size_t>(image->nrows) * image->ncolumns * size);
        } else {
            const std::ptrdiff_t step = static_cast<std::ptrdiff_t>(image->nbands) * size;
            for (int r = 0; r < image->nrows; ++r) {
                unsigned char* p = NPixelAddr(image, band, r, 0);
                for (int c = 0; c < image->ncolumns; ++c, p += step) std::memset(p, byte, size);
            }
        }
        return true;
    }
    switch (image->repn) {
    case NLongRepn:
        FillBands(image, first, last, StoreAs<std::int32_t>(value));
        break;
    case NFloatRepn:
        FillBands(image, first, last, NToFloat(value));
        break;
    case NDoubleRepn:
        FillBands(image, first, last, value);
        break;
    default: // short pixels keep their values for a non-zero fill
        break;
    }
    return true;
}

bool NFillPacked(NImage image, int packed_colour) {
    if (image == nullptr) return false;
    const auto blue = static_cast<unsigned char>(packed_colour & 255);
    const auto green = static_cast<unsigned char>((packed_colour >> 8) & 255);
    const auto red = static_cast<unsigned char>((packed_colour >> 16) & 255);
    if (image->interleaved) {
        if (image->nbands != 3 || image->repn != NUByteRepn) return false;
        // Build the first row, then copy it to the others.
        unsigned char* first = image->row_index[0];
        for (int c = 0; c < image->ncolumns; ++c) {
            first[3 * c] = blue;
            first[3 * c + 1] = green;
            first[3 * c + 2] = red;
        }
        const std::size_t bytes = static_cast<std::size_t>(image->ncolumns) * 3;
        for (int r = 1; r < image->nrows; ++r) std::memcpy(image->row_index[r], first, bytes);
        return true;
    }
    if (image->nbands == 3)
        return NFillImage(image, 0, red) && NFillImage(image, 1, green) &&
               NFillImage(image, 2, blue);
    if (image->nbands == 1) return NFillImage(image, 0, green);
    return false;
}

NImage NCropImage(NImage src, NImage dest, int band, int top, int left, int nrows, int ncolumns) {
    if (src == nullptr) return nullptr;
    if (nrows < 0 || ncolumns < 0) {
        NWarning("NCropImage: Cropped dimensions are negative");
        return nullptr;
    }
    if (!NCheckBand("NCropImage", src, band)) return nullptr;
    const int nbands = band == -1 ? src->nbands : 1;
    NImage result = NCheckDest("NCropImage", dest, nbands, nrows, ncolumns, src->repn);
    if (result == nullptr) return nullptr;
    const bool created = dest == nullptr;

    // Cropping an image into itself goes through a scratch image copied back at the end.
    NImagePtr scratch;
    NImage target = result;
    if (result == src) {
        scratch.reset(NCreateImage(nbands, nrows, ncolumns, src->repn));
        if (!scratch) return nullptr;
        target = scratch.get();
    } else if (!created) {
        NFillImage(target, -1, 0.0);
    }

    const std::int64_t r0 = std::max<std::int64_t>(top, 0);
    const std::int64_t r1 =
        std::min<std::int64_t>(static_cast<std::int64_t>(top) + nrows, src->nrows);
    const std::int64_t c0 = std::max<std::int64_t>(left, 0);
    const std::int64_t c1 =
        std::min<std::int64_t>(static_cast<std::int64_t>(left) + ncolumns, src->ncolumns);
    if (r0 < r1 && c0 < c1) {
        const std::size_t size = NRepnSize(src->repn);
        const auto from_step = static_cast<std::ptrdiff_t>(NPixelPitch(src) * size);
        const auto to_step = static_cast<std::ptrdiff_t>(size);
        for (int k = 0; k < nbands; ++k) {
            const int sb = band == -1 ? k : band;
            for (auto r = static_cast<int>(r0); r < r1; ++r)
                CopyElements(NPixelAddr(target, k, r - top, static_cast<int>(c0 - left)), to_step,
                             NPixelAddr(src, sb, r, static_cast<int>(c0)), from_step,
                             static_cast<int>(c1 - c0), size);
        }
    }

    if (scratch) {
        std::memcpy(src->data, scratch->data,
                    static_cast<std::size_t>(scratch->npixels) * NRepnSize(src->repn));
        return src;
    }
    return NFinishResult(src, result, created);
}

NImage NCropMask(NImage mask, int top1, int left1, int top2, int left2, int nrows, int ncolumns,
                 int* pixel_count) {
    if (pixel_count != nullptr) *pixel_count = 0;
    if (mask == nullptr) return nullptr;
    if (nrows < 0 || ncolumns < 0) {
        NWarning("NCropMask: Cropped dimensions are negative");
        return nullptr;
    }
    for (const auto& [top, left] : {std::pair{top1, left1}, std::pair{top2, left2}}) {
        const bool inside = top >= 0 && left >= 0 &&
                            static_cast<std::int64_t>(top) + nrows <= mask->nrows &&
                            static_cast<std::int64_t>(left) + ncolumns <= mask->ncolumns;
        if (!inside) {
            NWarning("NCropMask: Window at (%d, %d) of %dx%d lies outside the mask (%dx%d)", top,
                     left, nrows, ncolumns, mask->nrows, mask->ncolumns);
            return nullptr;
        }
    }
    NImage result = NCreateImage(1, nrows, ncolumns, NUByteRepn);
    if (result == nullptr) return nullptr;

    const std::ptrdiff_t pitch = NPixelPitch(mask);
    int count = 0;
    if (NRepnSize(mask->repn) == 1) {
        // One-byte masks: a set pixel is the byte 255.
        for (int i = 0; i < nrows; ++i) {
            const std::uint8_t* a = NRowPtr<const std::uint8_t>(mask, 0, top1 + i) + left1 * pitch;
            const std::uint8_t* b = NRowPtr<const std::uint8_t>(mask, 0, top2 + i) + left2 * pitch;
            std::uint8_t* d = NRowPtr<std::uint8_t>(result, 0, i);
            for (int j = 0; j < ncolumns; ++j)
                if (a[j * pitch] == 255 && b[j * pitch] == 255) {
                    d[j] = 255;
                    ++count;
                }
        }
    } else {
        NVisitPixelType(mask->repn, [&]<class T>(std::type_identity<T>) {
            for (int i = 0; i < nrows; ++i) {
                const T* a = NRowPtr<const T>(mask, 0, top1 + i) + left1 * pitch;
                const T* b = NRowPtr<const T>(mask, 0, top2 + i) + left2 * pitch;
                std::uint8_t* d = NRowPtr<std::uint8_t>(result, 0, i);
                for (int j = 0; j < ncolumns; ++j)
                    if (static_cast<double>(a[j * pitch]) == 255.0 &&
                        static_cast<double>(b[j * pitch]) == 255.0) {
                        d[j] = 255;
                        ++count;
                    }
            }
        });
    }
    if (pixel_count != nullptr) *pixel_count = count;
    return NFinishResult(mask, result, true);
}

NImage NConvertImageCopy(NImage src, NImage dest, int band, NRepnKind kind) {
    if (src == nullptr) return nullptr;
    if (kind == src->repn) return dest == src ? src : NCopyImage(src, dest, band);
    if (!NCheckBand("NConvertImageCopy", src, band)) return nullptr;
    const int nbands = band == -1 ? src->nbands : 1;
    NImage result = NCheckDest("NConvertImageCopy", dest, nbands, src->nrows, src->ncolumns, kind);
    if (result == nullptr) return nullptr;
    const bool created = dest == nullptr;

    const double lo = NRepnTable[result->repn].min_value;
    const double hi = NRepnTable[result->repn].max_value;
    const std::ptrdiff_t spitch = NPixelPitch(src);
    const std::ptrdiff_t dpitch = NPixelPitch(result);
    std::size_t clamped = 0;
    NVisitPixelType(src->repn, [&]<class S>(std::type_identity<S>) {
        NVisitPixelType(result->repn, [&]<class D>(std::type_identity<D>) {
            for (int k = 0; k < nbands; ++k) {
                const int sb = band == -1 ? k : band;
                for (int r = 0; r < src->nrows; ++r)
                    clamped += ConvertRow(NRowPtr<const S>(src, sb, r), spitch,
                                          NRowPtr<D>(result, k, r), dpitch, src->ncolumns, lo, hi);
            }
        });
    });
    if (clamped != 0) NWarning("NConvertImageCopy: Source pixel value exceeds destination range");
    return NFinishResult(src, result, created);
}
