#include "session/auto_align.h"

#include <chrono>
#include <cstdio>

#include "core/image_ptr.h"
#include "core/progress_sink.h"
#include "core/report.h"
#include "mosaic/image_loading.h"
#include "mosaic/pair_confidence.h"
#include "session/align_search.h"

namespace {

constexpr int kAlignDescription = 30021; // "Automatic alignment: image %d of %d images."

double MillisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

} // namespace

N_ImageRec* ConvertMask(IImageAdapter* mask, int rows, int columns, int* code) {
    if (mask == nullptr) {
        *code = 12;
        return nullptr;
    }
    NImagePtr image(mask->ToNIL(true));
    if (!image) {
        *code = 3;
        return nullptr;
    }
    if (image->nrows != rows || image->ncolumns != columns) {
        *code = 12;
        return nullptr;
    }
    if (image->nbands == 1) return image.release();
    // A colour mask is read through its first band.
    N_ImageRec* band = NCopyImage(image.get(), nullptr, 0);
    if (band == nullptr) *code = 3;
    return band;
}

int AlignPairWorker(SessionState& session, int i, int j, int* dr, int* dc, IImageAdapter* mask,
                    ProgressSink* sink, bool fine) {
    const int count = session.normal ? session.normal->Count() : 0;
    if (i < 0 || j < 0 || i >= count || j >= count || i == j) return 12;
    if (ProgressSetPos(sink, 5) != 0) return 2;
    if (const int code = LoadSessionImages(session); code != 0) return code;
    if (ProgressSetPos(sink, 30) != 0) return 2;

    const std::vector<N_ImageRec*> images = ContextImages(session.context);
    if (static_cast<int>(images.size()) <= (i > j ? i : j)) return 12;
    N_ImageRec* first = images[static_cast<std::size_t>(i)];
    N_ImageRec* second = images[static_cast<std::size_t>(j)];
    const auto start = std::chrono::steady_clock::now();
    SearchResult result;
    if (mask != nullptr) {
        int code = 0;
        NImagePtr maskImage(ConvertMask(mask, first->nrows, first->ncolumns, &code));
        if (!maskImage) return code;
        result = SearchPairMasked(first, second, maskImage.get(), fine);
    } else {
        result = SearchPairUnmasked(first, second, fine);
    }
    if (result.code != 0) return result.code;
    *dr = result.dr;
    *dc = result.dc;
    // The one pair's confidence: how well the two pictures agree at the shift found.
    StartPairConfidences(session.context, 1);
    RecordPairConfidence(session.context, 0, first, second,
                         Homography8::Translation(-result.dr, -result.dc), nullptr, nullptr);
    if (ProgressSetPos(sink, 90) != 0) return 2;
    if (ProgressSetPos(sink, 100) != 0) return 2;
    NPrintf("Align: %lf msec.\n", MillisecondsSince(start));
    return 0;
}

int AlignAllWorker(SessionState& session, IImageAdapter* mask, ProgressSink* sink, bool fine) {
    const auto start = std::chrono::steady_clock::now();
    const int count = session.normal ? session.normal->Count() : 0;
    if (count == 0) return 12;
    ProgressDescribeFrames(sink, kAlignDescription, 1, count);
    if (ProgressSetPos(sink, 5) != 0) return 2;
    // The all-pairs search always starts from a freshly loaded context.
    if (session.context.images != nullptr) ResetMosaicContext(session.context);
    if (const int code = LoadSessionImages(session); code != 0) return code;
    if (ProgressSetPos(sink, 30) != 0) return 2;

    MosaicContext& context = session.context;
    const std::vector<N_ImageRec*> images = ContextImages(context);
    NImagePtr maskImage;
    if (mask != nullptr) {
        int code = 0;
        maskImage.reset(ConvertMask(mask, context.rows, context.columns, &code));
        if (!maskImage) return code;
    }
    const int levels = PyramidLevels(context.rows, context.columns, 20);
    Pyramid previous, current;
    if (!maskImage && !previous.Build(images[0], levels)) return 3;
    StartPairConfidences(context, count - 1);
    context.records[0].align_dr = context.records[0].align_dc = 0;
    for (int k = 1; k < count; ++k) {
        ProgressDescribeFrames(sink, kAlignDescription, k, count);
        SearchResult result;
        if (maskImage) {
            result = SearchPairMasked(images[k - 1], images[k], maskImage.get(), fine);
        } else {
            // Each image's pyramid serves both pairs it belongs to.
            if (!current.Build(images[k], levels)) return 3;
            result = SearchPairPyramids(previous, current, fine);
            std::swap(previous, current);
        }
        if (result.code != 0) return result.code;
        context.records[k].align_dr = result.dr;
        context.records[k].align_dc = result.dc;
        RecordPairConfidence(context, static_cast<std::size_t>(k - 1), images[k - 1], images[k],
                             Homography8::Translation(-result.dr, -result.dc), nullptr,
                             maskImage.get());
        if (ProgressSetPos(sink, 30 + (60 / count) * k) != 0) return 2;
    }
    if (ProgressSetPos(sink, 90) != 0) return 2;
    auto list = std::make_unique<AlignList>();
    for (int k = 1; k < count; ++k)
        list->entries.push_back(
            AlignEntry{context.records[k].align_dr, context.records[k].align_dc});
    // A cancel at the last report still leaves the previous list in place.
    if (ProgressSetPos(sink, 100) != 0) return 2;
    session.normal->align = std::move(list);
    NPrintf("Align: %lf msec.\n", MillisecondsSince(start));
    return 0;
}
