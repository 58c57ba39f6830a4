#include "mosaic/composition.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <new>
#include <numeric>
#include <utility>
#include <vector>

#include "core/image_ops.h"
#include "core/image_ptr.h"
#include "core/progress_sink.h"
#include "mosaic/blending.h"
#include "mosaic/flat_mosaic.h"
#include "mosaic/image_loading.h"

namespace {

constexpr int kBlendingDescription = 30009; // "Blending: image %d of %d images."

// A composite bigger than this many base images in either direction is refused, and so is one
// whose side would not fit the engine's image sizes.
constexpr double kMaxCanvasFactor = 10.0;
constexpr double kMaxCanvasSide = 1 << 30;

std::vector<N_ImageRec*> ListImages(NAttrList list) {
    std::vector<N_ImageRec*> images;
    NAttrListPosn posn;
    for (NFirstAttr(list, &posn); NAttrExists(&posn); NNextAttr(&posn)) {
        N_ImageRec* image = nullptr;
        if (NGetAttrValue(&posn, nullptr, NImageRepn, &image)) images.push_back(image);
    }
    return images;
}

void ReleaseComposites(MosaicContext& context) {
    NDestroyImage(std::exchange(context.output, nullptr));
    NDestroyImage(std::exchange(context.output48, nullptr));
    context.covered = CoveredArea{};
}

// The four corners (0, 0), (0, columns-1), (rows-1, columns-1), (rows-1, 0) through a
// transform; false when one maps to infinity.
bool MapCorners(const Homography8& transform, int rows, int columns, CanvasPoint out[4]) {
    const double R = rows - 1, C = columns - 1;
    const CanvasPoint corners[4] = {{0, 0}, {0, C}, {R, C}, {R, 0}};
    for (int k = 0; k < 4; ++k) {
        if (!transform.Apply(corners[k].r, corners[k].c, &out[k].r, &out[k].c)) return false;
        if (!std::isfinite(out[k].r) || !std::isfinite(out[k].c)) return false;
    }
    return true;
}

// The line through p and q, positive on the side of `inside`.
EdgeLine EdgeThrough(const CanvasPoint& p, const CanvasPoint& q, const CanvasPoint& inside) {
    EdgeLine line{q.c - p.c, -(q.r - p.r), 0.0};
    line.d = -(line.a * p.r + line.b * p.c);
    if (line.a * inside.r + line.b * inside.c + line.d < 0.0) {
        line.a = -line.a;
        line.b = -line.b;
        line.d = -line.d;
    }
    return line;
}

// Images sorted by the squared distance of their translation position from the base image's,
// nearest first; equal distances keep the lower index first.
std::vector<int> DistanceOrder(const MosaicContext& context, int base) {
    const auto& records = context.records;
    std::vector<int> order(records.size());
    std::iota(order.begin(), order.end(), 0);
    auto key = [&](int k) {
        const std::int64_t dr =
            static_cast<std::int64_t>(records[k].trans_r) - records[base].trans_r;
        const std::int64_t dc =
            static_cast<std::int64_t>(records[k].trans_c) - records[base].trans_c;
        return dr * dr + dc * dc;
    };
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return key(a) < key(b); });
    return order;
}

// Whether every image after the first overlaps some image laid before it.
bool EveryImageOverlaps(const std::vector<int>& order, const std::vector<CanvasBox>& boxes) {
    std::vector<CanvasBox> laid;
    for (std::size_t k = 0; k < order.size(); ++k) {
        const CanvasBox& box = boxes[static_cast<std::size_t>(order[k])];
        if (k > 0 && OverlapRect(box, laid).Empty()) return false;
        laid.push_back(box);
    }
    return true;
}

// Every image ubyte, of one band count (1 or 3) and of the first image's size.
bool ConsistentImages(const std::vector<N_ImageRec*>& images) {
    const N_ImageRec* first = images.front();
    if (first->nbands != 1 && first->nbands != 3) return false;
    return std::all_of(images.begin(), images.end(), [&](const N_ImageRec* image) {
        return image->repn == NUByteRepn && image->nbands == first->nbands &&
               image->nrows == first->nrows && image->ncolumns == first->ncolumns;
    });
}

// An empty composite of the given size: interleaved three-band for colour (its pixel memory
// owned by the record until it is handed over), planar one-band for grey.
NImagePtr CreateComposite(bool colour, int rows, int columns) {
    if (!colour) return NImagePtr(NCreateImage(1, rows, columns, NUByteRepn));
    NImagePtr image(NCreateDIBImage(3, rows, columns, NUByteRepn, nullptr));
    if (image) image->owns_data = 1;
    return image;
}

bool PrepareComposite(NImagePtr& image, N_ImageRec* base, int background) {
    return image && NCopyImageAttrs(base, image.get()) != nullptr &&
           NFillPacked(image.get(), background);
}

// A two-band double map of rows x columns weighing the new image `weight` and the canvas
// 1 - `weight` everywhere.
NImagePtr MakeDissolveMap(int rows, int columns, double weight) {
    NImagePtr map(NCreateImage(2, rows, columns, NDoubleRepn));
    if (!map || !NFillImage(map.get(), 0, weight) || !NFillImage(map.get(), 1, 1.0 - weight))
        return nullptr;
    return map;
}

int Compose(MosaicState& state, ProgressSink* sink, int from, int to, const CompositionRule& rule) {
    MosaicContext& context = state.context;
    // Fresh, uncorrected images: views of the caller's bitmaps at the processing size.
    if (const int code = ReloadForComposition(state); code != 0) return code;
    std::vector<N_ImageRec*> images = ListImages(context.images);
    const int count = static_cast<int>(images.size());
    if (count == 0 || count != context.count ||
        context.records.size() != static_cast<std::size_t>(count) || !ConsistentImages(images))
        return 12;
    std::vector<N_ImageRec*> images48;
    if (context.images48 != nullptr) {
        images48 = ListImages(context.images48);
        if (images48.size() != images.size() || !ConsistentImages(images48) ||
            images48.front()->nbands != images.front()->nbands ||
            images48.front()->nrows != images.front()->nrows ||
            images48.front()->ncolumns != images.front()->ncolumns)
            return 12;
    }
    context.colour = images.front()->nbands == 3;
    // The low-byte composite exists for colour pictures only.
    if (!context.colour) images48.clear();

    const int base = ChooseBase(context);
    if (context.colour_correction != 0) {
        if (const int code = CorrectColours(context); code != 0) return code;
        images = ListImages(context.images);
        if (static_cast<int>(images.size()) != count) return 3;
    }
    N_ImageRec* baseImage = images[static_cast<std::size_t>(base)];
    context.base_image = baseImage;

    // Where every image lands in the base image's frame.
    std::vector<CanvasBox> boxes(static_cast<std::size_t>(count));
    std::vector<std::array<CanvasPoint, 4>> corners(static_cast<std::size_t>(count));
    for (int k = 0; k < count; ++k) {
        const N_ImageRec* image = images[static_cast<std::size_t>(k)];
        auto& c = corners[static_cast<std::size_t>(k)];
        // A corner at infinity makes the view unboundedly wide.
        if (!MapCorners(context.records[static_cast<std::size_t>(k)].to_canvas, image->nrows,
                        image->ncolumns, c.data()))
            return 11;
        boxes[static_cast<std::size_t>(k)] = CornerBox(c.data());
    }

    // Composition order: nearest the base first, unless that leaves an image without overlap
    // with the ones laid before it; then the order of the image list.
    std::vector<int> order = DistanceOrder(context, base);
    if (rule.dissolve || !EveryImageOverlaps(order, boxes))
        std::iota(order.begin(), order.end(), 0);

    // Canvas: the base rectangle (one beyond its last row and column) and every corner.
    double minR = 0.0, maxR = baseImage->nrows, minC = 0.0, maxC = baseImage->ncolumns;
    for (const auto& c : corners)
        for (const CanvasPoint& p : c) {
            minR = std::min(minR, p.r);
            maxR = std::max(maxR, p.r);
            minC = std::min(minC, p.c);
            maxC = std::max(maxC, p.c);
        }
    // The extent is judged in floating point: a view can reach arbitrarily far, and only a
    // canvas that passes fits the integers it is laid with. The base frame keeps the base
    // image's rectangle, but the views must still be near enough for their boxes to be
    // integer rectangles.
    const double height = std::ceil(maxR) - std::floor(minR) + 1.0;
    const double width = std::ceil(maxC) - std::floor(minC) + 1.0;
    if (!(height <= kMaxCanvasFactor * baseImage->nrows) ||
        !(width <= kMaxCanvasFactor * baseImage->ncolumns) || !(height <= kMaxCanvasSide) ||
        !(width <= kMaxCanvasSide))
        return 11;
    const int offsetR = rule.base_frame ? 0 : static_cast<int>(std::ceil(-minR));
    const int offsetC = rule.base_frame ? 0 : static_cast<int>(std::ceil(-minC));
    context.offset_r = offsetR;
    context.offset_c = offsetC;

    // Move every record into the canvas frame: transforms, corners, box, edges and centre.
    const Homography8 shift = Homography8::Translation(offsetR, offsetC);
    const Homography8 unshift = Homography8::Translation(-offsetR, -offsetC);
    for (int k = 0; k < count; ++k) {
        MosaicImageRecord& record = context.records[static_cast<std::size_t>(k)];
        Homography8 toCanvas, toImage;
        if (!ComposeHomography(shift, record.to_canvas, &toCanvas) ||
            !ComposeHomography(record.to_image, unshift, &toImage))
            return 7;
        record.to_canvas = toCanvas;
        record.to_image = toImage;
        CanvasPoint mean;
        for (int i = 0; i < 4; ++i) {
            CanvasPoint& p = record.corners[i];
            p = corners[static_cast<std::size_t>(k)][static_cast<std::size_t>(i)];
            p.r += offsetR;
            p.c += offsetC;
            mean.r += p.r / 4.0;
            mean.c += p.c / 4.0;
        }
        record.box = CornerBox(record.corners);
        for (int i = 0; i < 4; ++i)
            record.edges[i] = EdgeThrough(record.corners[i], record.corners[(i + 1) % 4], mean);
        record.centre_r = static_cast<std::int32_t>(mean.r);
        record.centre_c = static_cast<std::int32_t>(mean.c);
    }

    // The composite(s), filled with the background colour.
    const int rows = rule.base_frame ? baseImage->nrows : static_cast<int>(height);
    const int columns = rule.base_frame ? baseImage->ncolumns : static_cast<int>(width);
    NImagePtr output = CreateComposite(context.colour, rows, columns);
    if (!PrepareComposite(output, baseImage, context.background)) return 3;
    NImagePtr output48;
    if (!images48.empty()) {
        output48 = CreateComposite(true, rows, columns);
        if (!PrepareComposite(output48, baseImage, context.background)) return 3;
    }
    BlendCanvas canvas;
    canvas.output = output.get();
    canvas.output48 = output48.get();
    canvas.coverage.assign(static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns), 0);

    // Lay the images in order.
    std::vector<CanvasBox> laidBoxes;
    std::vector<CanvasCentre> laidCentres;
    const int step = (to - from) / count;
    for (int k = 0; k < count; ++k) {
        const auto index = static_cast<std::size_t>(order[static_cast<std::size_t>(k)]);
        ProgressDescribeFrames(sink, kBlendingDescription, k, count);
        const MosaicImageRecord& record = context.records[index];
        LaySource source;
        source.image = images[index];
        source.image48 = images48.empty() ? nullptr : images48[index];
        source.to_image = record.to_image;
        source.mask = context.mask;
        source.nearest = context.nearest_neighbour != 0;
        const CanvasBox& box = record.box;
        if (k == 0) {
            const PixelRect rect{
                static_cast<int>(std::ceil(box.r0)), static_cast<int>(std::ceil(box.c0)),
                static_cast<int>(std::ceil(box.r1)), static_cast<int>(std::ceil(box.c1))};
            LayFirstImage(canvas, source, rect);
        } else {
            const CanvasBox overlap = OverlapRect(box, laidBoxes);
            if (overlap.Empty()) return 7;
            const PixelRect rect{
                static_cast<int>(std::floor(box.r0)), static_cast<int>(std::floor(box.c0)),
                static_cast<int>(std::ceil(box.r1)), static_cast<int>(std::ceil(box.c1))};
            const int top = static_cast<int>(std::floor(overlap.r0));
            const int left = static_cast<int>(std::floor(overlap.c0));
            const int mapRows = static_cast<int>(std::floor(overlap.r1)) + 1 - top + 1;
            const int mapColumns = static_cast<int>(std::floor(overlap.c1)) + 1 - left + 1;
            const NImagePtr map =
                rule.dissolve
                    ? MakeDissolveMap(mapRows, mapColumns, rule.dissolve_weight)
                    : MakeDistanceMap(context.blend_level, top, left, mapRows, mapColumns,
                                      CanvasCentre{record.centre_r, record.centre_c}, laidCentres);
            if (!map) return 3;
            LayBlendedImage(canvas, source, rect, WeightMap{map.get(), top, left});
        }
        laidBoxes.push_back(box);
        laidCentres.push_back(CanvasCentre{record.centre_r, record.centre_c});
        if (ProgressSetPos(sink, from + step * (k + 1)) != 0) return kProgressCancelled;
    }

    context.covered = CoverageExtent(canvas.coverage, rows, columns);
    context.output = output.release();
    context.output48 = output48.release();
    return 0;
}

} // namespace

int ComposeMosaic(MosaicState& state, ProgressSink* sink, int from, int to,
                  const CompositionRule& rule) {
    ReleaseComposites(state.context);
    try {
        return Compose(state, sink, from, to, rule);
    } catch (const std::bad_alloc&) {
        ReleaseComposites(state.context);
        return 3;
    }
}

int DeliverOutput(MosaicContext& context, IImageAdapter* out) {
    NImagePtr output(std::exchange(context.output, nullptr));
    NImagePtr output48(std::exchange(context.output48, nullptr));
    if (!output || out == nullptr) return 12;
    auto* palette = reinterpret_cast<unsigned short*>(context.palette);
    try {
        if (output->interleaved) {
            out->FromNILDIB(output.get(), palette);
            // The adapter holds the pixel memory now: only the record goes.
            NDestroyDIBImage(output.release());
            if (output48) {
                out->FromNILDIB48Lower(output48.get());
                NDestroyDIBImage(output48.release());
            }
        } else {
            out->FromNIL(output.get(), palette);
        }
    } catch (const CBmpAdapterException&) {
        return 3;
    }
    return 0;
}

int RenderMosaic(MosaicState& state, IImageAdapter* out, ProgressSink* sink) {
    MosaicContext& context = state.context;
    ProgressDescribeFrames(sink, kBlendingDescription, 1, context.count);
    if (ProgressSetPos(sink, 5) != 0) return kProgressCancelled;
    if (const int code = ComposeMosaic(state, sink, 5, 90); code != 0) return code;
    if (ProgressSetPos(sink, 90) != 0) {
        ReleaseComposites(context);
        return kProgressCancelled;
    }
    if (const int code = DeliverOutput(context, out); code != 0) return code;
    // The picture is delivered: a cancel at the last report has nothing left to stop.
    ProgressSetPos(sink, 100);
    return 0;
}
