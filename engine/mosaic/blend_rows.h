// Row machinery shared by the blending and colour-correction loops: splitting a block of rows
// over the processor's cores, mapping a row of destination pixels into a source image, and
// reading and writing one colour channel of an image through direct row pointers.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <thread>
#include <vector>

#include "core/image_record.h"
#include "core/parallel.h"
#include "mosaic/homography.h"

namespace blend_detail {

using ::ForRowBlocks;

// How one destination pixel reads its source.
enum SampleKind : unsigned char {
    kOutside = 0,    // the pixel does not belong to the source (or its mask refuses it)
    kPixel = 1,      // the source pixel (r0, c0) as it is
    kInterpolate = 2 // bilinear between (r0, c0) and (r0 + 1, c0 + 1) with weights dr, dc
};

struct SamplePos {
    std::int32_t r0 = 0;
    std::int32_t c0 = 0;
    double dr = 0.0;
    double dc = 0.0;
    SampleKind kind = kOutside;
};

// One band of an image addressed as rows of bytes: pixel c of row r lies at
// rows[r] + offset + c·pitch, in either layout.
struct Channel {
    unsigned char* const* rows = nullptr;
    std::ptrdiff_t offset = 0;
    std::ptrdiff_t pitch = 1;

    unsigned char* At(int r, int c) const { return rows[r] + offset + c * pitch; }
};

inline Channel ChannelOf(const N_ImageRec* image, int band) {
    if (image->interleaved) return Channel{image->row_index, band, image->nbands};
    return Channel{image->band_index[band], 0, 1};
}

// The source value of a sample, exactly as the engine's bilinear pixel read computes it
// (including its rule of taking the pixel itself on the last row or column).
inline double Sample(const Channel& ch, const SamplePos& p) {
    const unsigned char* upper = ch.At(p.r0, p.c0);
    if (p.kind == kPixel) return upper[0];
    const unsigned char* lower = ch.At(p.r0 + 1, p.c0);
    const double p00 = upper[0], p01 = upper[ch.pitch], p10 = lower[0], p11 = lower[ch.pitch];
    const double dr = p.dr, dc = p.dc;
    return p00 * (1 - dr) * (1 - dc) + p01 * (1 - dr) * dc + p10 * dr * (1 - dc) + p11 * dr * dc;
}

// A blended or sampled value stored as a byte: truncated toward zero and saturated to 0..255.
// A margin of 1e-6 keeps a weighted mean of equal values, which floating-point rounding can
// leave a hair below the integer, at that integer.
inline unsigned char ToByte(double value) {
    value += 1e-6;
    if (!(value > 0.0)) return 0;
    if (value >= 255.0) return 255;
    return static_cast<unsigned char>(value);
}

// Maps rows of destination pixels through a destination-to-source transform into a source of
// rows x columns, classifying each pixel as outside, a plain pixel or a bilinear sample, with
// nearest-neighbour rounding (half away from zero) when asked and an optional one-band mask
// (255 = usable) read at the rounded source position. Pure translations take a path with the
// fractional weights fixed for the whole image; every other transform is evaluated per pixel in
// the same way as Homography8::Apply.
class RowMapper {
public:
    RowMapper(const Homography8& to_source, int rows, int columns, bool nearest,
              const N_ImageRec* mask)
        : m_h(to_source), m_rows(rows), m_columns(columns), m_nearest(nearest) {
        if (mask != nullptr && mask->nrows == rows && mask->ncolumns == columns)
            m_mask = ChannelOf(mask, 0);
        const double* h = m_h.h;
        constexpr double kTol = 1e-12;
        m_translation = std::abs(h[0] - 1.0) <= kTol && std::abs(h[4] - 1.0) <= kTol &&
                        std::abs(h[1]) <= kTol && std::abs(h[3]) <= kTol &&
                        std::abs(h[6]) <= 1e-18 && std::abs(h[7]) <= 1e-18 &&
                        std::abs(h[2]) < 1e9 && std::abs(h[5]) < 1e9;
        if (m_translation) {
            const double fy = std::floor(h[5]), fx = std::floor(h[2]);
            m_ty = static_cast<std::int64_t>(fy);
            m_tx = static_cast<std::int64_t>(fx);
            m_fy = h[5] - fy;
            m_fx = h[2] - fx;
        }
    }

    bool IsTranslation() const { return m_translation; }

    // Samples of destination row r, columns ca .. cb, for `count` channels of the source:
    // valid[i] tells whether column ca + i belongs to the source (and passes its mask), and
    // values[ch·n + i] (n = cb - ca + 1) holds channel ch's sample there. `scratch` has room
    // for n positions. A pure translation reads one pair of source rows with weights fixed
    // for the whole row; the values are those Sample gives for the same positions.
    void SampleRow(int r, int ca, int cb, const Channel* channels, int count, SamplePos* scratch,
                   double* values, unsigned char* valid) const {
        const int n = cb - ca + 1;
        if (!m_translation || m_nearest || m_mask.rows != nullptr) {
            Map(r, ca, cb, scratch);
            for (int i = 0; i < n; ++i) {
                valid[i] = scratch[i].kind != kOutside ? 1 : 0;
                if (valid[i] == 0) continue;
                for (int ch = 0; ch < count; ++ch)
                    values[static_cast<std::ptrdiff_t>(ch) * n + i] =
                        Sample(channels[ch], scratch[i]);
            }
            return;
        }
        std::fill(valid, valid + n, static_cast<unsigned char>(0));
        const std::int64_t y0 = r + m_ty;
        if (y0 < 0 || y0 > m_rows - 1 || (y0 == m_rows - 1 && m_fy != 0.0)) return;
        const std::int64_t lastX = m_columns - 1 - (m_fx != 0.0 ? 1 : 0);
        const std::int64_t cFirst = std::max<std::int64_t>(ca, -m_tx);
        const std::int64_t cLast = std::min<std::int64_t>(cb, lastX - m_tx);
        if (cLast < cFirst) return;
        std::fill(valid + (cFirst - ca), valid + (cLast - ca) + 1, static_cast<unsigned char>(1));
        // On the last source row, and without any fraction, every sample is a source pixel.
        const bool plain = y0 == m_rows - 1 || (m_fx == 0.0 && m_fy == 0.0);
        // Without a column fraction the last source column is taken as it is, too.
        const bool lastColumn = cLast + m_tx == m_columns - 1;
        const double dr = m_fy, dc = m_fx, a = 1 - dr, b = 1 - dc;
        for (int ch = 0; ch < count; ++ch) {
            const Channel& channel = channels[ch];
            const std::ptrdiff_t p = channel.pitch;
            const unsigned char* upper = channel.rows[y0] + channel.offset;
            double* out = values + static_cast<std::ptrdiff_t>(ch) * n - ca;
            if (plain) {
                for (std::int64_t c = cFirst; c <= cLast; ++c) out[c] = upper[(c + m_tx) * p];
                continue;
            }
            const unsigned char* lower = channel.rows[y0 + 1] + channel.offset;
            const std::int64_t cEnd = lastColumn ? cLast - 1 : cLast;
            for (std::int64_t c = cFirst; c <= cEnd; ++c) {
                const std::ptrdiff_t x = (c + m_tx) * p;
                const double p00 = upper[x], p01 = upper[x + p], p10 = lower[x], p11 = lower[x + p];
                out[c] = p00 * a * b + p01 * a * dc + p10 * dr * b + p11 * dr * dc;
            }
            if (lastColumn) out[cLast] = upper[(cLast + m_tx) * p];
        }
    }

    // Fills pos[0 .. cb - ca] for destination row r, columns ca .. cb.
    void Map(int r, int ca, int cb, SamplePos* pos) const {
        if (m_translation)
            MapTranslation(r, ca, cb, pos);
        else
            MapGeneral(r, ca, cb, pos);
    }

private:
    bool MaskRefuses(std::int64_t rr, std::int64_t rc) const {
        return m_mask.rows != nullptr &&
               *m_mask.At(static_cast<int>(rr), static_cast<int>(rc)) != 255;
    }

    void MapTranslation(int r, int ca, int cb, SamplePos* pos) const {
        const int n = cb - ca + 1;
        for (int i = 0; i < n; ++i) pos[i].kind = kOutside;
        // Source row y0 + fy belongs when 0 <= y0 + fy <= rows - 1.
        const std::int64_t y0 = r + m_ty;
        if (y0 < 0 || y0 > m_rows - 1 || (y0 == m_rows - 1 && m_fy != 0.0)) return;
        // Source column x0 + fx likewise, x0 = c + tx.
        const std::int64_t lastX = m_columns - 1 - (m_fx != 0.0 ? 1 : 0);
        const std::int64_t cFirst = std::max<std::int64_t>(ca, -m_tx);
        const std::int64_t cLast = std::min<std::int64_t>(cb, lastX - m_tx);
        const std::int64_t roundR = y0 + (m_fy >= 0.5 ? 1 : 0);
        const std::int64_t roundStep = m_fx >= 0.5 ? 1 : 0;
        const bool lastRow = y0 == m_rows - 1;
        for (std::int64_t c = cFirst; c <= cLast; ++c) {
            const std::int64_t x0 = c + m_tx;
            if (MaskRefuses(roundR, x0 + roundStep)) continue;
            SamplePos& p = pos[c - ca];
            if (m_nearest) {
                p.r0 = static_cast<std::int32_t>(roundR);
                p.c0 = static_cast<std::int32_t>(x0 + roundStep);
                p.kind = kPixel;
            } else {
                p.r0 = static_cast<std::int32_t>(y0);
                p.c0 = static_cast<std::int32_t>(x0);
                p.dr = m_fy;
                p.dc = m_fx;
                const bool single = lastRow || x0 == m_columns - 1 || (m_fx == 0.0 && m_fy == 0.0);
                p.kind = single ? kPixel : kInterpolate;
            }
        }
    }

    void MapGeneral(int r, int ca, int cb, SamplePos* pos) const {
        const double* h = m_h.h;
        const double h7r = h[7] * r, h1r = h[1] * r, h4r = h[4] * r;
        const double lastR = m_rows - 1, lastC = m_columns - 1;
        for (int c = ca; c <= cb; ++c) {
            SamplePos& p = pos[c - ca];
            p.kind = kOutside;
            const double w = h[6] * c + h7r + 1.0;
            if (w == 0.0) continue;
            const double x = (h[0] * c + h1r + h[2]) / w;
            const double y = (h[3] * c + h4r + h[5]) / w;
            // Written so that NaN positions count as outside.
            if (!(y >= 0.0 && y <= lastR && x >= 0.0 && x <= lastC)) continue;
            const double rr = std::round(y), rc = std::round(x);
            if (MaskRefuses(static_cast<std::int64_t>(rr), static_cast<std::int64_t>(rc))) continue;
            if (m_nearest) {
                p.r0 = static_cast<std::int32_t>(rr);
                p.c0 = static_cast<std::int32_t>(rc);
                p.kind = kPixel;
                continue;
            }
            const double fy = std::floor(y), fx = std::floor(x);
            p.r0 = static_cast<std::int32_t>(fy);
            p.c0 = static_cast<std::int32_t>(fx);
            p.dr = y - fy;
            p.dc = x - fx;
            p.kind = (p.r0 + 1 > m_rows - 1 || p.c0 + 1 > m_columns - 1) ? kPixel : kInterpolate;
        }
    }

    Homography8 m_h;
    int m_rows;
    int m_columns;
    bool m_nearest;
    Channel m_mask;
    bool m_translation = false;
    std::int64_t m_ty = 0, m_tx = 0;
    double m_fy = 0.0, m_fx = 0.0;
};

} // namespace blend_detail
