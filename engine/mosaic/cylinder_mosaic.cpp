#include "mosaic/cylinder_mosaic.h"

#include <cmath>
#include <cstdlib>
#include <new>
#include <numbers>
#include <utility>
#include <vector>

#include "core/image_ptr.h"
#include "core/progress_sink.h"
#include "mosaic/cylinder_projection.h"
#include "mosaic/feature_fit.h"
#include "mosaic/features.h"
#include "mosaic/flat_mosaic.h"
#include "mosaic/global_refine.h"
#include "mosaic/image_loading.h"
#include "mosaic/pair_confidence.h"
#include "mosaic/strip_renderer.h"

namespace {

constexpr int kPairDescription = 30008; // "Stitching: image %d and %d of %d images."
constexpr double kMatchingThreshold = 500.0;
constexpr double kCorrelationThreshold = 0.7;
constexpr int kMinimumMatches = 2;

// A focal length the cylinder modes accept: 0 (the images are cylindrical already) or a
// positive finite length. A negative or non-finite one describes no cylinder and is refused
// as an inconsistent request (12) before anything is loaded.
bool UsableFocal(double focal) {
    return focal == 0.0 || (std::isfinite(focal) && focal > 0.0);
}

// Loads, reduces and applies the alignments unless a prepared context is to be kept, then
// applies the hand-set matches in cylinder coordinates and checks the base.
int Prepare(MosaicState& state, double focal, bool keepPrepared) {
    MosaicContext& context = state.context;
    if (!state.normal) return 12;
    const bool prepared = keepPrepared && context.images != nullptr && context.count > 0 &&
                          context.records.size() == static_cast<std::size_t>(context.count);
    if (!prepared) {
        if (const int code = LoadProcessingImages(state); code != 0) return code;
        if (const int code = ApplyAlignments(state); code != 0) return code;
        ComputeTranslationPositions(context);
    }
    if (const int code = ApplyMatches(state, MotionCylinder, focal); code != 0) return code;
    const int base = state.normal->base;
    if (base < 0 || base > context.count) return 12;
    context.base = 0;
    return 0;
}

// The closing alignment of a 360-degree turn must lie within one image.
int CheckClosingAlignment(const MosaicContext& context) {
    if (context.flag360 != 1 || context.records.empty()) return 0;
    const MosaicImageRecord& first = context.records[0];
    return std::abs(first.align_dr) > context.rows || std::abs(first.align_dc) > context.columns
               ? 4
               : 0;
}

void StoreInverse(MosaicImageRecord& record, const Homography8& H) {
    Homography8 inverse;
    record.prev_inverse = InvertHomography(H, &inverse) ? inverse : Homography8::Identity();
}

// The translation of a pair into H (first -> second): the mean displacement of the record's
// hand-set matches, or of automatic matches found from its alignment; with neither, the
// alignment transform. False when the pair fell back to its alignment (skipping the matching
// on request is not a fallback).
bool JoinPair(const MosaicContext& context, MosaicImageRecord& record, const N_ImageRec* first,
              const N_ImageRec* second, Homography8* H) {
    if (record.matches == nullptr && context.skip_feature_matching == 0)
        record.matches =
            MatchFeatures(first, second, record.align_dr, record.align_dc, kMatchingThreshold,
                          kCorrelationThreshold, kMinimumMatches, context.mask);
    if (record.matches != nullptr && FitMatches(FitKind::Translation, record.matches, H))
        return true;
    *H = Homography8::Translation(-record.align_dr, -record.align_dc);
    return context.skip_feature_matching != 0;
}

// Every neighbour pair side by side, the closing pair of a 360-degree turn (last, first) with
// them as pair `count`.
// With `kept`, every pair's matches are copied there for the global refinement.
int JoinPairs(MosaicContext& context, ProgressSink* sink, bool* fellBack,
              std::vector<PairPoints>* kept) {
    const std::vector<N_ImageRec*> images = ContextImages(context);
    const int count = static_cast<int>(images.size());
    if (count == 0 || context.records.size() != images.size()) return 12;
    auto& records = context.records;
    const bool closed = context.flag360 == 1 && count > 1;
    std::vector<char> joined(images.size() + 1, 1);
    StartPairConfidences(context, closed ? count : count - 1);
    // Only the pixels a projection took from its picture are compared.
    NImagePtr projected;
    if (context.mask == nullptr && context.columns_before_cylinder > 0)
        projected.reset(CylinderValidityMask(context.rows, context.columns_before_cylinder,
                                             context.cylinder_focal));
    const N_ImageRec* valid = context.mask != nullptr ? context.mask : projected.get();
    const auto estimate = [&](int i) {
        const auto k = static_cast<std::size_t>(i);
        const bool closing = i == count;
        MosaicImageRecord& record = closing ? records[0] : records[k];
        const N_ImageRec* first = closing ? images.back() : images[k - 1];
        const N_ImageRec* second = closing ? images.front() : images[k];
        Homography8& pairwise = closing ? records.back().pairwise : records[k - 1].pairwise;
        joined[k] = JoinPair(context, record, first, second, &pairwise);
        RecordPairConfidence(context, k - 1, first, second, pairwise, record.matches, valid);
    };
    const auto finish = [&](int i) {
        const auto k = static_cast<std::size_t>(i);
        if (joined[k] == 0) *fellBack = true;
        if (kept != nullptr && joined[k] != 0)
            KeepPairPoints(records[i == count ? 0 : k].matches, i - 1, i == count ? 0 : i,
                           i == count, kept);
        if (i == count) {
            DestroyMatchList(std::exchange(records[0].matches, nullptr));
            return 0;
        }
        ProgressDescribePair(sink, kPairDescription, i, count);
        StoreInverse(records[k], records[k - 1].pairwise);
        DestroyMatchList(std::exchange(records[k].matches, nullptr));
        return ProgressSetPos(sink, 50 + static_cast<int>(i * (30.0 / count))) != 0 ? 2 : 0;
    };
    return RunPairs(closed ? count + 1 : count, estimate, finish);
}

// Hands the composite to the adapter (FromNIL, no palette) and releases it.
int Deliver(MosaicContext& context, IImageAdapter* out, ProgressSink* sink) {
    NImagePtr output(std::exchange(context.output, nullptr));
    if (ProgressSetPos(sink, 95) != 0) return 2;
    if (!output) return 12;
    try {
        out->FromNIL(output.get(), nullptr);
    } catch (const CBmpAdapterException&) {
        return 3;
    }
    // The picture is delivered: a cancel at the last report has nothing left to stop.
    ProgressSetPos(sink, 100);
    return 0;
}

// Preparation, the closing-alignment check and the projection: positions 5 to 50.
int PrepareAndProject(MosaicState& state, double focal, bool keepPrepared, ProgressSink* sink) {
    if (ProgressSetPos(sink, 5) != 0) return 2;
    if (const int code = Prepare(state, focal, keepPrepared); code != 0) return code;
    if (ProgressSetPos(sink, 10) != 0) return 2;
    MosaicContext& context = state.context;
    if (const int code = CheckClosingAlignment(context); code != 0) return code;
    if (focal != 0.0) {
        if (const int code = ProjectContextImages(context, focal, sink, 10, 50); code != 0)
            return code;
    }
    return ProgressSetPos(sink, 50) != 0 ? 2 : 0;
}

int CylinderWorker(MosaicState& state, double focal, IImageAdapter* out, bool keepPrepared,
                   ProgressSink* sink) {
    if (!UsableFocal(focal) || out == nullptr) return 12;
    if (const int code = PrepareAndProject(state, focal, keepPrepared, sink); code != 0)
        return code;
    MosaicContext& context = state.context;
    bool fellBack = false;
    std::vector<PairPoints> kept; // every pair's matches, for the global refinement
    if (const int code = JoinPairs(context, sink, &fellBack, state.refine ? &kept : nullptr);
        code != 0)
        return code;
    // The projected views are related by translations; the closing pair's turn is free.
    if (state.refine && context.skip_feature_matching == 0) RefineFlat(context, kept, false);
    context.base = 0;
    ChainTransforms(context);
    if (ProgressSetPos(sink, 80) != 0) return 2;
    const int code = context.flag360 == 1 ? RenderStrip360(context, MotionCylinder, sink, 80, 95)
                                          : RenderStrip(context, MotionCylinder, sink, 80, 95);
    if (code != 0) return code;
    if (const int delivered = Deliver(context, out, sink); delivered != 0) return delivered;
    return fellBack ? 9 : 0;
}

int PanTiltWorker(MosaicState& state, double focal, double angleDegrees, IImageAdapter* out,
                  ProgressSink* sink) {
    if (!UsableFocal(focal) || !std::isfinite(angleDegrees) || out == nullptr) return 12;
    if (const int code = PrepareAndProject(state, focal, false, sink); code != 0) return code;
    MosaicContext& context = state.context;
    auto& records = context.records;
    const std::size_t count = records.size();
    // Each pair joined by its alignment, or by its hand-set matches where it has them (their
    // mean displacement is taken as it is, not rescaled like an alignment).
    const auto place = [&](MosaicImageRecord& record, Homography8* H) {
        if (record.matches == nullptr || !FitMatches(FitKind::Translation, record.matches, H))
            *H = Homography8::Translation(-record.align_dr, -record.align_dc);
        DestroyMatchList(std::exchange(record.matches, nullptr));
    };
    for (std::size_t k = 1; k < count; ++k) {
        place(records[k], &records[k - 1].pairwise);
        StoreInverse(records[k], records[k - 1].pairwise);
    }
    if (context.flag360 == 1 && count > 1) place(records[0], &records.back().pairwise);
    context.base = 0;
    ChainTransforms(context);
    const double angle = angleDegrees * std::numbers::pi / 180.0;
    if (const int code =
            RenderTurned(context, MotionCylinder, angle, context.flag360 == 1, sink, 50, 90);
        code != 0)
        return code;
    return Deliver(context, out, sink);
}

// Runs a worker; an allocation failure anywhere is result 3 and nothing is kept.
template <class Worker> int Guarded(MosaicContext& context, Worker&& worker) {
    try {
        const int code = worker();
        if (code != 0 && code != 9) NDestroyImage(std::exchange(context.output, nullptr));
        return code;
    } catch (const std::bad_alloc&) {
        NDestroyImage(std::exchange(context.output, nullptr));
        return 3;
    }
}

} // namespace

int ProjectContextImages(MosaicContext& context, double focal, ProgressSink* sink, int from,
                         int to) {
    const std::vector<N_ImageRec*> images = ContextImages(context);
    const int count = static_cast<int>(images.size());
    if (count == 0) return 12;
    const int rows = images[0]->nrows, before = images[0]->ncolumns;
    CylinderGeometry geometry;
    if (!CylinderGeometryFor(rows, before, focal, &geometry)) return 12;
    NAttrList projected = NCreateAttrList();
    if (projected == nullptr) return 3;
    // One image at a time leaves the list and its projection joins the new one, so only one
    // unprojected picture is ever held beside the projections.
    for (int k = 0; k < count; ++k) {
        N_ImageRec* image = nullptr;
        NExtractAttr(context.images, kImageAttrName, nullptr, NImageRepn, &image, false);
        NImagePtr source(image);
        NImagePtr result(ProjectToCylinder(source.get(), focal, context.background));
        source.reset();
        if (!result || !NAppendAttr(projected, kImageAttrName, nullptr, NImageRepn,
                                    NAttrValue::Pointer(result.get()))) {
            NDestroyAttrList(projected);
            return 3;
        }
        result.release();
        if (ProgressSetPos(sink, from + (k + 1) * (to - from) / count) != 0) {
            NDestroyAttrList(projected);
            return 2;
        }
    }
    NDestroyAttrList(context.images);
    context.images = projected;
    context.base_image = nullptr;
    if (context.mask != nullptr && context.mask->nrows == rows &&
        context.mask->ncolumns == before) {
        N_ImageRec* mask = ProjectToCylinder(context.mask, focal, 0);
        if (mask == nullptr) return 3;
        NDestroyImage(std::exchange(context.mask, mask));
    }
    context.columns_before_cylinder = before;
    context.cylinder_focal = focal;
    context.columns = geometry.columns;
    const double stretch = static_cast<double>(geometry.columns) / before;
    for (MosaicImageRecord& record : context.records)
        record.align_dc = static_cast<std::int32_t>(record.align_dc * stretch);
    return 0;
}

int CylinderMosaic(MosaicState& state, double focal, IImageAdapter* out, bool keepPrepared,
                   ProgressSink* sink) {
    return Guarded(state.context,
                   [&] { return CylinderWorker(state, focal, out, keepPrepared, sink); });
}

int CylinderMosaicPanTilt(MosaicState& state, double focal, double angleDegrees, IImageAdapter* out,
                          ProgressSink* sink) {
    return Guarded(state.context,
                   [&] { return PanTiltWorker(state, focal, angleDegrees, out, sink); });
}
