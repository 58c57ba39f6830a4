#include <algorithm>
#include <cmath>
#include <cstring>
#include <type_traits>
#include <vector>

#include "core/image_ops.h"
#include "core/image_ptr.h"
#include "core/pixel_rows.h"
#include "core/report.h"

namespace {

// ---------------------------------------------------------------------------------------------
// Convolution

// The index a source coordinate reads under a border rule, or -1 when the tap contributes
// nothing (rules 0 and 1; rule 0 clears such outputs separately).
int ResolveIndex(int x, int n, int rule) {
    if (x >= 0 && x < n) return x;
    if (rule == NPadClamp) return x < 0 ? 0 : n - 1;
    if (rule == NPadWrap) {
        const int m = x % n;
        return m < 0 ? m + n : m;
    }
    return -1;
}

// acc[j] += w[s] x[j + s] for s = 0 .. taps - 1 in turn, for j < n: one row of mask taps over a
// padded source row. Sixteen columns at a time in four independent groups of lanes held in
// registers, so the additions overlap; each element sees the same float operations in the same
// order as the scalar loop that finishes the remainder.
void AccumulateTaps(float* __restrict acc, const float* __restrict x, const float* __restrict w,
                    int taps, int n) {
    using Lanes = float __attribute__((vector_size(16)));
    const auto load = [](const float* p) {
        Lanes v;
        std::memcpy(&v, p, sizeof v);
        return v;
    };
    int j = 0;
    for (; j + 16 <= n; j += 16) {
        Lanes a0 = load(acc + j), a1 = load(acc + j + 4);
        Lanes a2 = load(acc + j + 8), a3 = load(acc + j + 12);
        for (int s = 0; s < taps; ++s) {
            const float* p = x + j + s;
            const Lanes ws = {w[s], w[s], w[s], w[s]};
            a0 += ws * load(p);
            a1 += ws * load(p + 4);
            a2 += ws * load(p + 8);
            a3 += ws * load(p + 12);
        }
        std::memcpy(acc + j, &a0, sizeof a0);
        std::memcpy(acc + j + 4, &a1, sizeof a1);
        std::memcpy(acc + j + 8, &a2, sizeof a2);
        std::memcpy(acc + j + 12, &a3, sizeof a3);
    }
    for (; j < n; ++j)
        for (int s = 0; s < taps; ++s) acc[j] += w[s] * x[j + s];
}

// Source rows as float, padded on both sides for the column taps of the mask: element x of a
// row is source column x - left (pads filled by the border rule). Float planar rows that need
// no padding are used in place; all others are converted into a small cache keyed by
// (band, row), so that consecutive output rows reuse the rows they share.
class RowSource {
public:
    RowSource(const N_ImageRec* src, int rule, int left, int right, int slots)
        : m_src(src), m_rule(rule), m_left(left), m_right(right),
          m_width(src->ncolumns + left + right),
          m_direct(src->repn == NFloatRepn && NPixelPitch(src) == 1 && left == 0 && right == 0) {
        if (m_direct) return;
        m_slots = std::clamp(slots, 1, 256);
        m_buffer.resize(static_cast<std::size_t>(m_slots) * m_width);
        m_keys.assign(static_cast<std::size_t>(m_slots), {-1, -1});
    }

    const float* Get(int band, int row) {
        if (m_direct) return NRowPtr<const float>(m_src, band, row);
        const int slot = static_cast<int>((static_cast<unsigned>(band) * 131u + row) % m_slots);
        float* buf = m_buffer.data() + static_cast<std::size_t>(slot) * m_width;
        if (m_keys[slot] != std::pair{band, row}) {
            Fill(buf, band, row);
            m_keys[slot] = {band, row};
        }
        return buf;
    }

private:
    void Fill(float* buf, int band, int row) const {
        const int n = m_src->ncolumns;
        const std::ptrdiff_t pitch = NPixelPitch(m_src);
        float* inner = buf + m_left;
        NVisitPixelType(m_src->repn, [&]<class T>(std::type_identity<T>) {
            const T* s = NRowPtr<const T>(m_src, band, row);
            for (int c = 0; c < n; ++c) {
                if constexpr (std::is_same_v<T, double>)
                    inner[c] = NToFloat(s[c * pitch]);
                else
                    inner[c] = static_cast<float>(s[c * pitch]);
            }
        });
        for (int x = 0; x < m_left; ++x) buf[x] = Pad(inner, x - m_left, n);
        for (int x = 0; x < m_right; ++x) inner[n + x] = Pad(inner, n + x, n);
    }

    float Pad(const float* inner, int column, int n) const {
        const int c = ResolveIndex(column, n, m_rule);
        return c < 0 ? 0.0f : inner[c];
    }

    const N_ImageRec* m_src;
    int m_rule, m_left, m_right, m_width;
    bool m_direct;
    int m_slots = 0;
    std::vector<float> m_buffer;
    std::vector<std::pair<int, int>> m_keys;
};

// The mask's values as float, indexed [(band x mr + row) x mc + column].
std::vector<float> MaskWeights(const N_ImageRec* mask) {
    std::vector<float> w;
    w.reserve(static_cast<std::size_t>(mask->nbands) * mask->nrows * mask->ncolumns);
    const std::ptrdiff_t pitch = NPixelPitch(mask);
    NVisitPixelType(mask->repn, [&]<class T>(std::type_identity<T>) {
        for (int p = 0; p < mask->nbands; ++p)
            for (int q = 0; q < mask->nrows; ++q) {
                const T* m = NRowPtr<const T>(mask, p, q);
                for (int s = 0; s < mask->ncolumns; ++s)
                    w.push_back(NToFloat(static_cast<double>(m[s * pitch])));
            }
    });
    return w;
}

// ---------------------------------------------------------------------------------------------
// Gradients

// acc[c] += double(x[c * pitch]) * k for c < n; packed rows (pitch 1) four lanes at a time
// with the same double operations per element.
void AccumulateScaled(double* __restrict acc, const float* __restrict x, std::ptrdiff_t pitch,
                      double k, int n) {
    int c = 0;
    if (pitch == 1) {
        using Floats = float __attribute__((vector_size(16)));
        using Doubles = double __attribute__((vector_size(32)));
        for (; c + 4 <= n; c += 4) {
            Floats f;
            Doubles a;
            std::memcpy(&f, x + c, sizeof f);
            std::memcpy(&a, acc + c, sizeof a);
            a += __builtin_convertvector(f, Doubles) * k;
            std::memcpy(acc + c, &a, sizeof a);
        }
    }
    for (; c < n; ++c) acc[c] += static_cast<double>(x[c * pitch]) * k;
}

// Interior derivatives of one float band: gx = horizontal, gy = vertical, both accumulated in
// double over the kernel taps in order.
void GradientBand(const N_ImageRec* src, int band, N_ImageRec* dest, int gx_band, int gy_band,
                  int n, const double* kernel) {
    const std::ptrdiff_t pitch = NPixelPitch(src);
    const int h = n / 2;
    const int nr = src->nrows, nc = src->ncolumns;
    const int c0 = h, width = nc - 2 * h; // interior columns [c0, c0 + width)
    std::vector<double> acc(static_cast<std::size_t>(width));
    double* a = acc.data();
    for (int r = h; r < nr - h; ++r) {
        const float* row = NRowPtr<const float>(src, band, r);
        float* gx = NRowPtr<float>(dest, gx_band, r) + c0;
        float* gy = NRowPtr<float>(dest, gy_band, r) + c0;

        std::fill(acc.begin(), acc.end(), 0.0);
        for (int i = 0; i < n; ++i)
            AccumulateScaled(a, row + (c0 - h + i) * pitch, pitch, kernel[i], width);
        for (int c = 0; c < width; ++c) gx[c] = static_cast<float>(a[c]);

        std::fill(acc.begin(), acc.end(), 0.0);
        for (int i = 0; i < n; ++i)
            AccumulateScaled(a, NRowPtr<const float>(src, band, r - h + i) + c0 * pitch, pitch,
                             kernel[i], width);
        for (int c = 0; c < width; ++c) gy[c] = static_cast<float>(a[c]);
    }
}

} // namespace

// -------------------------------------------------------------------------------------------------

NImage NConvolveImage(NImage src, NImage dest, int band, NImage mask, NConvolvePad pad, int shift) {
    if (src == nullptr) return nullptr;
    if (mask == nullptr) {
        NWarning("NConvolveImage: No mask specified");
        return nullptr;
    }
    if (!NCheckBand("NConvolveImage", src, band)) return nullptr;
    const int rule = static_cast<int>(pad);
    if (rule < NPadZero || rule > NPadTrim) {
        NWarning("NConvolveImage: Invalid border rule (%d)", rule);
        return nullptr;
    }
    if (NIsIntegerRepn(src->repn) && NIsIntegerRepn(mask->repn)) {
        NError("NLongRepn is NOT supported");
        return nullptr;
    }
    const int nb = src->nbands, nr = src->nrows, nc = src->ncolumns;
    const int mb = mask->nbands, mr = mask->nrows, mc = mask->ncolumns;
    const bool trim = rule == NPadTrim;
    if (trim) {
        const int first = band == -1 ? 0 : band - mb / 2;
        const int last = first + mb - 1;
        if (first < 0 || last >= nb) {
            NWarning("NConvolveImage: Band %d referenced in image of %d band(s)",
                     first < 0 ? first : last, nb);
            return nullptr;
        }
        if (nr < mr || nc < mc) {
            NWarning("NConvolveImage: Image (%dx%d) is smaller than mask (%dx%d)", nr, nc, mr, mc);
            return nullptr;
        }
    }
    const int obands = band != -1 ? 1 : trim ? nb - mb + 1 : nb;
    const int orows = trim ? nr - mr + 1 : nr;
    const int ocols = trim ? nc - mc + 1 : nc;

    // Writing into the source or the mask would overwrite what is still to be read.
    if (dest == src || dest == mask) dest = nullptr;
    NImage result = NCheckDest("NConvolveImage", dest, obands, orows, ocols, NFloatRepn);
    if (result == nullptr) return nullptr;
    const bool created = dest == nullptr;

    const std::vector<float> w = MaskWeights(mask);
    // Offsets from an output coordinate to the coordinate of the mask's first tap.
    const int band_off = (trim && band == -1) ? 0 : mb / 2;
    const int row_off = trim ? 0 : mr / 2;
    const int left = trim ? 0 : mc / 2;
    const int right = trim ? 0 : mc - 1 - mc / 2;
    // Rule 0: columns whose taps reach outside the source stay 0.
    const int zero_left = std::min(mc / 2, ocols);
    const int zero_right = std::max(nc - right, zero_left);
    const float scale = std::ldexp(1.0f, -std::clamp(shift, -300, 300));

    RowSource rows(src, rule, left, right, mb * mr);
    std::vector<float> acc(static_cast<std::size_t>(ocols));
    const std::ptrdiff_t opitch = NPixelPitch(result);
    for (int ob = 0; ob < obands; ++ob) {
        const int bb = (band == -1 ? ob : band) - band_off;
        const bool band_outside = bb < 0 || bb + mb > nb;
        for (int i = 0; i < orows; ++i) {
            float* out = NRowPtr<float>(result, ob, i);
            const int rb = i - row_off;
            if (rule == NPadZero && (band_outside || rb < 0 || rb + mr > nr)) {
                for (int j = 0; j < ocols; ++j) out[j * opitch] = 0.0f;
                continue;
            }
            std::fill(acc.begin(), acc.end(), 0.0f);
            for (int p = 0; p < mb; ++p) {
                const int sb = ResolveIndex(bb + p, nb, rule);
                if (sb < 0) continue;
                for (int q = 0; q < mr; ++q) {
                    const int sr = ResolveIndex(rb + q, nr, rule);
                    if (sr < 0) continue;
                    const float* x = rows.Get(sb, sr);
                    const float* wq = w.data() + (static_cast<std::size_t>(p) * mr + q) * mc;
                    AccumulateTaps(acc.data(), x, wq, mc, ocols);
                }
            }
            if (rule == NPadZero) {
                std::fill(acc.begin(), acc.begin() + zero_left, 0.0f);
                std::fill(acc.begin() + zero_right, acc.end(), 0.0f);
            }
            if (opitch == 1 && shift == 0)
                std::memcpy(out, acc.data(), acc.size() * sizeof(float));
            else
                for (int j = 0; j < ocols; ++j) out[j * opitch] = acc[j] * scale;
        }
    }
    return NFinishResult(src, result, created);
}

NImage NConvolveSep(NImage src, NImage dest, int band, NImage row_mask, NImage column_mask,
                    NConvolvePad row_pad, NConvolvePad column_pad, int row_shift,
                    int column_shift) {
    if (src == nullptr) return nullptr;
    if (row_mask == nullptr && column_mask == nullptr) {
        NWarning("NConvolveSep: No mask specified");
        return nullptr;
    }
    if (column_mask == nullptr)
        return NConvolveImage(src, dest, band, row_mask, row_pad, row_shift);
    if (row_mask == nullptr)
        return NConvolveImage(src, dest, band, column_mask, column_pad, column_shift);
    const NImagePtr rows(NConvolveImage(src, nullptr, band, row_mask, row_pad, row_shift));
    if (!rows) return nullptr;
    return NConvolveImage(rows.get(), dest, -1, column_mask, column_pad, column_shift);
}

NImage NSmoothGaussian(NImage src, int size, int band) {
    if (src == nullptr) return nullptr;
    if (size < 1) {
        NWarning("NSmoothGaussian: Invalid kernel size (%d)", size);
        return nullptr;
    }
    if (!NCheckBand("NSmoothGaussian", src, band)) return nullptr;

    // Taps at distance t - (size - 1) / 2 from the centre: whole numbers for odd sizes, halves
    // for even ones.
    const double sigma = (size / 2) * 0.5;
    std::vector<double> taps(static_cast<std::size_t>(size));
    double sum = 0.0;
    for (int t = 0; t < size; ++t) {
        const double d = t - (size - 1) / 2.0;
        taps[t] = d == 0.0 ? 1.0 : std::exp(-d * d / (2.0 * sigma * sigma));
        sum += taps[t];
    }
    const NImagePtr row_mask(NCreateImage(1, 1, size, NFloatRepn));
    const NImagePtr column_mask(NCreateImage(1, size, 1, NFloatRepn));
    if (!row_mask || !column_mask) return nullptr;
    for (int t = 0; t < size; ++t) {
        const auto v = static_cast<float>(taps[t] / sum);
        NPixel<float>(row_mask.get(), 0, 0, t) = v;
        NPixel<float>(column_mask.get(), 0, t, 0) = v;
    }

    NImagePtr converted;
    NImage input = src;
    int input_band = band;
    if (src->repn != NFloatRepn) {
        converted.reset(NConvertImageCopy(src, nullptr, band, NFloatRepn));
        if (!converted) return nullptr;
        input = converted.get();
        input_band = -1;
    }
    return NConvolveSep(input, nullptr, input_band, row_mask.get(), column_mask.get(), NPadClamp,
                        NPadClamp, 0, 0);
}

NImage NImageGradientXY(NImage src, NImage dest, int band, int kernel_size, const double* kernel) {
    if (src == nullptr || kernel == nullptr) return nullptr;
    if (kernel_size < 3 || kernel_size % 2 == 0) {
        NWarning("NImageGradientXY: Invalid kernel size (%d)", kernel_size);
        return nullptr;
    }
    if (!NCheckBand("NImageGradientXY", src, band)) return nullptr;

    NImagePtr converted;
    NImage input = src;
    int input_band = band;
    if (src->repn != NFloatRepn) {
        NWarning("NImageGradientXY: Source image must have float pixels");
        NWarning("\t Converting...");
        converted.reset(NConvertImageCopy(src, nullptr, band, NFloatRepn));
        if (!converted) return nullptr;
        input = converted.get();
        input_band = band == -1 ? -1 : 0;
    }
    if (input->nrows < kernel_size || input->ncolumns < kernel_size) {
        NWarning("NImageGradientXY: Source image too small for kernel");
        return nullptr;
    }
    if (input_band == -1 && input->nframes != input->nbands) {
        NWarning("NImageGradientXY: Source image must be motion sequence");
        return nullptr;
    }

    const int nsource = input_band == -1 ? input->nbands : 1;
    // The result is zero-filled before the source is read: it must be another image.
    if (dest == src) dest = nullptr;
    NImage result = NCheckDest("NImageGradientXY", dest, 2 * nsource, input->nrows, input->ncolumns,
                               NFloatRepn);
    if (result == nullptr) return nullptr;
    const bool created = dest == nullptr;
    if (!created) NFillImage(result, -1, 0.0);

    for (int s = 0; s < nsource; ++s) {
        const int sb = input_band == -1 ? s : input_band;
        GradientBand(input, sb, result, 2 * s, 2 * s + 1, kernel_size, kernel);
    }
    if (NFinishResult(src, result, created) == nullptr) return nullptr;
    NSetBandInterp(result, NBandInterpNone, nsource, NBandInterpNone, 1, NBandInterpNone, 1,
                   NBandInterpGradient, 2);
    return result;
}

NImage NImageGradient3(NImage src) {
    static constexpr double kKernel[3] = {-0.5, 0.0, 0.5};
    NImage result = NImageGradientXY(src, nullptr, -1, 3, kKernel);
    if (result == nullptr) return nullptr;

    // Border ring of the first band's derivatives. Across its own direction each derivative
    // uses one-sided differences at the first and last pixel; along the other border it keeps
    // the central kernel, so a linear ramp has one slope everywhere.
    const int nr = src->nrows, nc = src->ncolumns;
    // Source values as the float the interior was computed from.
    const auto v = [src](int r, int c) {
        return static_cast<double>(NToFloat(NGetPixel(src, 0, r, c)));
    };
    const auto central = [](double before, double after) {
        return before * kKernel[0] + after * kKernel[2];
    };
    const auto set = [result](int b, int r, int c, double value) {
        NPixel<float>(result, b, r, c) = static_cast<float>(value);
    };
    for (int r = 0; r < nr; ++r) {
        set(0, r, 0, v(r, 1) - v(r, 0));
        set(0, r, nc - 1, v(r, nc - 1) - v(r, nc - 2));
        if (r == 0 || r == nr - 1)
            for (int c = 1; c < nc - 1; ++c) set(0, r, c, central(v(r, c - 1), v(r, c + 1)));
    }
    for (int c = 0; c < nc; ++c) {
        set(1, 0, c, v(1, c) - v(0, c));
        set(1, nr - 1, c, v(nr - 1, c) - v(nr - 2, c));
        if (c == 0 || c == nc - 1)
            for (int r = 1; r < nr - 1; ++r) set(1, r, c, central(v(r - 1, c), v(r + 1, c)));
    }
    return result;
}
