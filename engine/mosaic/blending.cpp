#include "mosaic/blending.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <limits>
#include <utility>

#include "core/attr_list.h"
#include "core/image_ops.h"
#include "core/report.h"
#include "mosaic/blend_rows.h"

using blend_detail::Channel;
using blend_detail::ChannelOf;
using blend_detail::ForRowBlocks;
using blend_detail::RowMapper;
using blend_detail::SamplePos;
using blend_detail::ToByte;

namespace {

// ---------------------------------------------------------------------------------------------
// Channels of a laying pass: each output band paired with the source band of the same colour,
// then the same for the low-byte companion.

constexpr int kMaxChannels = 6;

struct ChannelPairs {
    std::array<Channel, kMaxChannels> source{};
    std::array<Channel, kMaxChannels> target{};
    int count = 0;

    void Add(const N_ImageRec* src, N_ImageRec* dst) {
        for (int b = 0; b < dst->nbands && count < kMaxChannels; ++b) {
            source[count] = ChannelOf(src, MatchingBand(src, dst, b));
            target[count] = ChannelOf(dst, b);
            ++count;
        }
    }
};

ChannelPairs PairsFor(const BlendCanvas& canvas, const LaySource& source) {
    ChannelPairs pairs;
    pairs.Add(source.image, canvas.output);
    if (source.image48 != nullptr && canvas.output48 != nullptr &&
        source.image48->nrows == source.image->nrows &&
        source.image48->ncolumns == source.image->ncolumns &&
        source.image48->nbands >= canvas.output48->nbands)
        pairs.Add(source.image48, canvas.output48);
    return pairs;
}

// Per-worker buffers of one row of samples.
struct RowBuffers {
    int width;
    std::vector<SamplePos> positions;
    std::vector<double> values; // channel-major
    std::vector<unsigned char> valid;

    RowBuffers(int w, int channels)
        : width(w), positions(static_cast<std::size_t>(w)),
          values(static_cast<std::size_t>(w) * static_cast<std::size_t>(channels)),
          valid(static_cast<std::size_t>(w)) {}

    void Sample(const RowMapper& mapper, const ChannelPairs& pairs, int r, int ca, int cb) {
        mapper.SampleRow(r, ca, cb, pairs.source.data(), pairs.count, positions.data(),
                         values.data(), valid.data());
    }
    double Value(int channel, int i) const {
        return values[static_cast<std::size_t>(channel) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(i)];
    }
};

// The rectangle clipped to the canvas; false when nothing is left.
bool ClipToCanvas(const N_ImageRec* output, PixelRect* rect) {
    rect->r0 = std::max(rect->r0, 0);
    rect->c0 = std::max(rect->c0, 0);
    rect->r1 = std::min(rect->r1, output->nrows - 1);
    rect->c1 = std::min(rect->c1, output->ncolumns - 1);
    return rect->r1 >= rect->r0 && rect->c1 >= rect->c0;
}

std::int64_t Area(const PixelRect& rect) {
    return static_cast<std::int64_t>(rect.r1 - rect.r0 + 1) * (rect.c1 - rect.c0 + 1);
}

bool UsableSource(const BlendCanvas& canvas, const LaySource& source) {
    const N_ImageRec* out = canvas.output;
    const N_ImageRec* img = source.image;
    return out != nullptr && img != nullptr && out->repn == NUByteRepn && img->repn == NUByteRepn &&
           img->nbands >= out->nbands &&
           canvas.coverage.size() == static_cast<std::size_t>(out->nrows) * out->ncolumns;
}

// ---------------------------------------------------------------------------------------------
// Colour correction helpers

// The band of an image holding colour channel `channel` (red, green, blue order).
int ColourBand(const N_ImageRec* image, int channel) {
    return image->nbands == 3 && image->interleaved ? 2 - channel : channel;
}

double Milliseconds(std::clock_t start) {
    return static_cast<double>(std::clock() - start) * 1000.0 / CLOCKS_PER_SEC;
}

// Sum of (image i-1 - image i) over the common pixels of the pair, per colour channel, and the
// number of those pixels. `to_current` maps image i-1 to image i, `to_previous` the reverse.
void PairDifference(const N_ImageRec* previous, const N_ImageRec* current,
                    const Homography8& to_current, const Homography8& to_previous, double sum[3],
                    std::int64_t* count) {
    const int nb = std::min(previous->nbands, 3);
    for (int ch = 0; ch < 3; ++ch) sum[ch] = 0.0;
    *count = 0;
    const double R = current->nrows - 1, C = current->ncolumns - 1;
    const CanvasPoint corners[4] = {{0, 0}, {0, C}, {R, C}, {R, 0}};
    CanvasPoint mapped[4];
    for (int k = 0; k < 4; ++k) {
        if (!to_previous.Apply(corners[k].r, corners[k].c, &mapped[k].r, &mapped[k].c)) return;
        if (!std::isfinite(mapped[k].r) || !std::isfinite(mapped[k].c)) return;
    }
    const CanvasBox box = CornerBox(mapped);
    // Rounded inwards, clipped to image i-1.
    const double top = std::max(std::ceil(box.r0), 0.0);
    const double left = std::max(std::ceil(box.c0), 0.0);
    const double bottom = std::min(std::floor(box.r1), previous->nrows - 1.0);
    const double right = std::min(std::floor(box.c1), previous->ncolumns - 1.0);
    if (bottom < top || right < left) return;
    const PixelRect rect{static_cast<int>(top), static_cast<int>(left), static_cast<int>(bottom),
                         static_cast<int>(right)};
    const int rows = rect.r1 - rect.r0 + 1, width = rect.c1 - rect.c0 + 1;

    Channel prev[3], cur[3];
    for (int ch = 0; ch < nb; ++ch) {
        prev[ch] = ChannelOf(previous, ColourBand(previous, ch));
        cur[ch] = ChannelOf(current, ColourBand(current, ch));
    }
    const RowMapper mapper(to_current, current->nrows, current->ncolumns, false, nullptr);
    // Per-row partial sums, added up in row order afterwards, so the total does not depend on
    // how the rows were shared out.
    std::vector<double> rowSums(static_cast<std::size_t>(rows) * 3, 0.0);
    std::vector<std::int64_t> rowCounts(static_cast<std::size_t>(rows), 0);
    ForRowBlocks(rect.r0, rect.r1, Area(rect), [&](unsigned, int a, int b) {
        std::vector<SamplePos> pos(static_cast<std::size_t>(width));
        std::vector<double> values(static_cast<std::size_t>(width) * 3);
        std::vector<unsigned char> valid(static_cast<std::size_t>(width));
        for (int r = a; r <= b; ++r) {
            mapper.SampleRow(r, rect.c0, rect.c1, cur, nb, pos.data(), values.data(), valid.data());
            double s[3] = {0.0, 0.0, 0.0};
            std::int64_t n = 0;
            for (int i = 0; i < width; ++i) {
                if (valid[static_cast<std::size_t>(i)] == 0) continue;
                for (int ch = 0; ch < nb; ++ch)
                    s[ch] += static_cast<double>(*prev[ch].At(r, rect.c0 + i)) -
                             values[static_cast<std::size_t>(ch) * width + i];
                ++n;
            }
            const std::size_t row = static_cast<std::size_t>(r - rect.r0);
            for (int ch = 0; ch < 3; ++ch) rowSums[row * 3 + ch] = s[ch];
            rowCounts[row] = n;
        }
    });
    for (int row = 0; row < rows; ++row) {
        for (int ch = 0; ch < 3; ++ch) sum[ch] += rowSums[static_cast<std::size_t>(row) * 3 + ch];
        *count += rowCounts[static_cast<std::size_t>(row)];
    }
}

using Lut = std::array<unsigned char, 256>;

// Writes lut(source) into target, band by band (same size and layout).
void ApplyLuts(const N_ImageRec* source, N_ImageRec* target, const Lut* luts) {
    const int nb = target->nbands;
    ForRowBlocks(0, target->nrows - 1, static_cast<std::int64_t>(target->nrows) * target->ncolumns,
                 [&](unsigned, int a, int b) {
                     for (int band = 0; band < nb; ++band) {
                         const Lut& lut = luts[band];
                         const Channel in = ChannelOf(source, band);
                         const Channel out = ChannelOf(target, band);
                         for (int r = a; r <= b; ++r) {
                             const unsigned char* p = in.At(r, 0);
                             unsigned char* q = out.At(r, 0);
                             for (int c = 0; c < target->ncolumns; ++c)
                                 q[c * out.pitch] = lut[p[c * in.pitch]];
                         }
                     }
                 });
}

// An interleaved copy of an image (which owns its pixels) with its attributes; null on failure.
N_ImageRec* OwnedInterleavedCopy(const N_ImageRec* image) {
    N_ImageRec* copy =
        NCreateDIBImage(image->nbands, image->nrows, image->ncolumns, image->repn, nullptr);
    if (copy == nullptr) return nullptr;
    copy->owns_data = 1;
    if (NCopyImageAttrs(const_cast<N_ImageRec*>(image), copy) == nullptr) {
        NDestroyImage(copy);
        return nullptr;
    }
    return copy;
}

// Replaces the images of the context's list that have a replacement (index by index); the
// replaced records are destroyed (a view's pixels stay with their owner). False when the new
// list cannot be built; the replacements are then destroyed and the old list kept.
bool ReplaceImages(MosaicContext& context, std::vector<N_ImageRec*>& replacements) {
    NAttrList fresh = NCreateAttrList();
    if (fresh == nullptr) {
        for (N_ImageRec*& r : replacements) NDestroyImage(std::exchange(r, nullptr));
        return false;
    }
    bool ok = true;
    for (std::size_t i = 0; i < replacements.size(); ++i) {
        N_ImageRec* image = nullptr;
        NExtractAttr(context.images, kImageAttrName, nullptr, NImageRepn, &image, true);
        N_ImageRec* keep = image;
        if (replacements[i] != nullptr) {
            keep = std::exchange(replacements[i], nullptr);
            if (context.base_image == image) context.base_image = keep;
            NDestroyImage(image);
        }
        if (keep == nullptr) continue;
        if (!NAppendAttr(fresh, kImageAttrName, nullptr, NImageRepn, NAttrValue::Pointer(keep))) {
            NDestroyImage(keep);
            ok = false;
        }
    }
    NDestroyAttrList(context.images);
    context.images = fresh;
    return ok;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Boxes

CanvasBox CornerBox(const CanvasPoint corners[4]) {
    CanvasBox box{corners[0].r, corners[0].c, corners[0].r, corners[0].c};
    for (int k = 1; k < 4; ++k) {
        box.r0 = std::min(box.r0, corners[k].r);
        box.c0 = std::min(box.c0, corners[k].c);
        box.r1 = std::max(box.r1, corners[k].r);
        box.c1 = std::max(box.c1, corners[k].c);
    }
    return box;
}

CanvasBox OverlapRect(const CanvasBox& box, std::span<const CanvasBox> earlier) {
    CanvasBox result;
    bool any = false;
    for (const CanvasBox& e : earlier) {
        const CanvasBox inter{std::max(box.r0, e.r0), std::max(box.c0, e.c0),
                              std::min(box.r1, e.r1), std::min(box.c1, e.c1)};
        if (inter.Empty()) continue;
        if (!any) {
            result = inter;
            any = true;
            continue;
        }
        result.r0 = std::min(result.r0, inter.r0);
        result.c0 = std::min(result.c0, inter.c0);
        result.r1 = std::max(result.r1, inter.r1);
        result.c1 = std::max(result.c1, inter.c1);
    }
    return any ? result : CanvasBox{};
}

int MatchingBand(const N_ImageRec* source, const N_ImageRec* target, int band) {
    if (source->nbands == 3 && target->nbands == 3 &&
        (source->interleaved != 0) != (target->interleaved != 0))
        return 2 - band;
    return std::min(band, source->nbands - 1);
}

// ---------------------------------------------------------------------------------------------
// Weight maps

NImagePtr MakeDistanceMap(int level, int top, int left, int rows, int columns, CanvasCentre centre,
                          std::span<const CanvasCentre> earlier) {
    NImagePtr map(NCreateImage(2, rows, columns, NDoubleRepn));
    if (!map) return map;
    const std::vector<CanvasCentre> others(earlier.begin(), earlier.end());
    ForRowBlocks(
        0, rows - 1, static_cast<std::int64_t>(rows) * columns, [&](unsigned, int a, int b) {
            std::vector<std::int64_t> otherRow(others.size());
            for (int mr = a; mr <= b; ++mr) {
                const std::int64_t r = static_cast<std::int64_t>(top) + mr;
                auto* w0 = reinterpret_cast<double*>(map->band_index[0][mr]);
                auto* w1 = reinterpret_cast<double*>(map->band_index[1][mr]);
                const std::int64_t dkRow = (r - centre.r) * (r - centre.r);
                for (std::size_t e = 0; e < others.size(); ++e)
                    otherRow[e] = (r - others[e].r) * (r - others[e].r);
                for (int mc = 0; mc < columns; ++mc) {
                    const std::int64_t c = static_cast<std::int64_t>(left) + mc;
                    const std::int64_t dk = dkRow + (c - centre.c) * (c - centre.c);
                    std::int64_t dp =
                        others.empty() ? dk : std::numeric_limits<std::int64_t>::max();
                    for (std::size_t e = 0; e < others.size(); ++e)
                        dp = std::min(dp, otherRow[e] + (c - others[e].c) * (c - others[e].c));
                    double a0 = 0.0, a1 = 0.0;
                    const double p = static_cast<double>(dp), k = static_cast<double>(dk);
                    switch (level) {
                    case kBlendHalf:
                        a0 = a1 = 255.0;
                        break;
                    case kBlendSteep: {
                        const double p2 = p * p, k2 = k * k, p4 = p2 * p2, k4 = k2 * k2;
                        a0 = p4 * p4;
                        a1 = k4 * k4;
                        break;
                    }
                    case kBlendNone:
                        a0 = dp >= dk ? 255.0 : 0.0;
                        a1 = dp >= dk ? 0.0 : 255.0;
                        break;
                    default: { // gradual
                        const double p2 = p * p, k2 = k * k;
                        a0 = p2 * p2;
                        a1 = k2 * k2;
                        break;
                    }
                    }
                    if (!std::isfinite(a0 + a1)) {
                        // Powers beyond the double range: the nearer centre takes the pixel.
                        a0 = dp >= dk ? 255.0 : 0.0;
                        a1 = dp >= dk ? 0.0 : 255.0;
                    }
                    w0[mc] = a0;
                    w1[mc] = a1;
                }
            }
        });
    return map;
}

NImagePtr MakeHorizontalRamp(int rows, int width, bool new_on_right) {
    NImagePtr map(NCreateImage(2, rows, width, NDoubleRepn));
    if (!map) return map;
    for (int r = 0; r < rows; ++r) {
        auto* w0 = reinterpret_cast<double*>(map->band_index[0][r]);
        auto* w1 = reinterpret_cast<double*>(map->band_index[1][r]);
        for (int j = 0; j < width; ++j) {
            const double a = static_cast<double>(j + 1) * (j + 1);
            const double b = static_cast<double>(width - j) * (width - j);
            w0[j] = new_on_right ? a : b;
            w1[j] = new_on_right ? b : a;
        }
    }
    return map;
}

// ---------------------------------------------------------------------------------------------
// Laying

void LayFirstImage(BlendCanvas& canvas, const LaySource& source, PixelRect rect) {
    if (!UsableSource(canvas, source) || !ClipToCanvas(canvas.output, &rect)) return;
    const ChannelPairs pairs = PairsFor(canvas, source);
    const RowMapper mapper(source.to_image, source.image->nrows, source.image->ncolumns,
                           source.nearest, source.mask);
    const int width = rect.c1 - rect.c0 + 1;
    const int canvasColumns = canvas.output->ncolumns;
    ForRowBlocks(rect.r0, rect.r1, Area(rect), [&](unsigned, int a, int b) {
        RowBuffers buffers(width, pairs.count);
        for (int r = a; r <= b; ++r) {
            buffers.Sample(mapper, pairs, r, rect.c0, rect.c1);
            unsigned char* coverage =
                canvas.coverage.data() + static_cast<std::size_t>(r) * canvasColumns;
            unsigned char* targets[kMaxChannels];
            for (int ch = 0; ch < pairs.count; ++ch)
                targets[ch] = pairs.target[ch].rows[r] + pairs.target[ch].offset;
            for (int i = 0; i < width; ++i) {
                if (buffers.valid[static_cast<std::size_t>(i)] == 0) continue;
                const int c = rect.c0 + i;
                for (int ch = 0; ch < pairs.count; ++ch)
                    targets[ch][c * pairs.target[ch].pitch] = ToByte(buffers.Value(ch, i));
                coverage[c] = 255;
            }
        }
    });
}

std::int64_t LayBlendedImage(BlendCanvas& canvas, const LaySource& source, PixelRect rect,
                             const WeightMap& weights) {
    if (!UsableSource(canvas, source) || !ClipToCanvas(canvas.output, &rect)) return 0;
    const ChannelPairs pairs = PairsFor(canvas, source);
    const RowMapper mapper(source.to_image, source.image->nrows, source.image->ncolumns,
                           source.nearest, source.mask);
    const int width = rect.c1 - rect.c0 + 1;
    const int canvasColumns = canvas.output->ncolumns;
    const N_ImageRec* map = weights.map;
    const bool usableMap =
        map != nullptr && map->nbands >= 2 && map->repn == NDoubleRepn && !map->interleaved;
    const int mapRows = usableMap ? map->nrows : 0, mapColumns = usableMap ? map->ncolumns : 0;
    std::vector<std::int64_t> outside(8, 0);
    ForRowBlocks(rect.r0, rect.r1, Area(rect), [&](unsigned block, int a, int b) {
        RowBuffers buffers(width, pairs.count);
        std::int64_t misses = 0;
        for (int r = a; r <= b; ++r) {
            buffers.Sample(mapper, pairs, r, rect.c0, rect.c1);
            unsigned char* coverage =
                canvas.coverage.data() + static_cast<std::size_t>(r) * canvasColumns;
            unsigned char* targets[kMaxChannels];
            for (int ch = 0; ch < pairs.count; ++ch)
                targets[ch] = pairs.target[ch].rows[r] + pairs.target[ch].offset;
            const int mr = r - weights.top;
            const bool rowInMap = mr >= 0 && mr < mapRows;
            const double* w0 =
                rowInMap ? reinterpret_cast<const double*>(map->band_index[0][mr]) : nullptr;
            const double* w1 =
                rowInMap ? reinterpret_cast<const double*>(map->band_index[1][mr]) : nullptr;
            for (int i = 0; i < width; ++i) {
                if (buffers.valid[static_cast<std::size_t>(i)] == 0) continue;
                const int c = rect.c0 + i;
                if (coverage[c] == 0) {
                    for (int ch = 0; ch < pairs.count; ++ch)
                        targets[ch][c * pairs.target[ch].pitch] = ToByte(buffers.Value(ch, i));
                    coverage[c] = 255;
                    continue;
                }
                const int mc = c - weights.left;
                if (!rowInMap || mc < 0 || mc >= mapColumns) {
                    ++misses;
                    continue;
                }
                const double a0 = w0[mc], a1 = w1[mc];
                const double sum = a0 + a1;
                if (sum == 0.0) continue; // no weight on either side: the canvas keeps its value
                for (int ch = 0; ch < pairs.count; ++ch) {
                    unsigned char* out = targets[ch] + c * pairs.target[ch].pitch;
                    *out =
                        ToByte((a0 * buffers.Value(ch, i) + a1 * static_cast<double>(*out)) / sum);
                }
            }
        }
        outside[block] = misses;
    });
    std::int64_t total = 0;
    for (std::int64_t n : outside) total += n;
    for (std::int64_t n = 0; n < total; ++n) std::fputs("Distance map out of bounds\n", stdout);
    return total;
}

// ---------------------------------------------------------------------------------------------
// Colour correction

int EstimateColourOffsets(MosaicContext& context) {
    const std::vector<N_ImageRec*> images = ContextImages(context);
    const std::size_t n = images.size();
    if (n == 0 || context.records.size() != n) return 12;
    for (MosaicImageRecord& record : context.records) {
        for (int ch = 0; ch < 3; ++ch) {
            record.gain[ch] = 1.0;
            record.offset[ch] = 0.0;
        }
    }
    for (std::size_t i = 1; i < n; ++i) {
        if (images[i]->nbands != images[i - 1]->nbands || images[i]->repn != NUByteRepn ||
            images[i - 1]->repn != NUByteRepn)
            return 12;
        double sum[3];
        std::int64_t count = 0;
        PairDifference(images[i - 1], images[i], context.records[i - 1].pairwise,
                       context.records[i].prev_inverse, sum, &count);
        // A pair without a common pixel keeps offset 0.
        if (count == 0) continue;
        for (int ch = 0; ch < 3; ++ch)
            context.records[i].offset[ch] = sum[ch] / static_cast<double>(count);
    }
    return 0;
}

int ApplyColourOffsets(MosaicContext& context) {
    const std::vector<N_ImageRec*> images = ContextImages(context);
    const std::size_t n = images.size();
    if (n == 0 || context.records.size() != n) return 12;
    std::vector<N_ImageRec*> replacements(n, nullptr);
    bool anyReplaced = false;
    double running[3] = {0.0, 0.0, 0.0};
    for (std::size_t i = 1; i < n; ++i) {
        N_ImageRec* image = images[i];
        if (image->repn != NUByteRepn || (image->nbands != 1 && image->nbands != 3)) {
            for (N_ImageRec* r : replacements) NDestroyImage(r);
            return 12;
        }
        const MosaicImageRecord& record = context.records[i];
        Lut luts[3];
        bool identity = true;
        const int nb = std::min(image->nbands, 3);
        for (int ch = 0; ch < 3; ++ch) running[ch] += record.offset[ch];
        for (int ch = 0; ch < nb; ++ch) {
            Lut& lut = luts[ColourBand(image, ch)];
            for (int v = 0; v < 256; ++v) {
                const double corrected = std::clamp(v * record.gain[ch] + running[ch], 0.0, 255.0);
                lut[static_cast<std::size_t>(v)] = static_cast<unsigned char>(corrected);
                identity = identity && lut[static_cast<std::size_t>(v)] == v;
            }
        }
        if (identity) continue;
        N_ImageRec* target = image;
        if (image->interleaved && !image->owns_data) {
            // A view of the caller's bitmap: correct a copy instead.
            target = OwnedInterleavedCopy(image);
            if (target == nullptr) {
                for (N_ImageRec* r : replacements) NDestroyImage(r);
                return 3;
            }
            replacements[i] = target;
            anyReplaced = true;
        }
        ApplyLuts(image, target, luts);
    }
    if (anyReplaced && !ReplaceImages(context, replacements)) return 3;
    return 0;
}

int CorrectColours(MosaicContext& context) {
    std::clock_t start = std::clock();
    if (const int code = EstimateColourOffsets(context); code != 0) return code;
    NPrintf("MGetColCorrection: %lf msec.\n", Milliseconds(start));
    start = std::clock();
    const int code = ApplyColourOffsets(context);
    NPrintf("MGetColCorrection: %lf msec.\n", Milliseconds(start));
    return code;
}
