#include "mosaic/image_loading.h"

#include <cmath>
#include <cstdlib>

#include "core/image_ops.h"
#include "core/image_ptr.h"
#include "mosaic/cylinder_projection.h"

namespace {

// How the images of a set are taken from its adapters.
enum class ImageSource { Copy, View, LowerView };

// A planar R, G, B (or grey) copy of an interleaved bitmap view, whose bytes are B, G, R.
NImagePtr ToPlanar(const N_ImageRec* view) {
    NImagePtr planar(NCreateImage(view->nbands, view->nrows, view->ncolumns, NUByteRepn));
    if (!planar) return planar;
    const int nbands = view->nbands;
    for (int r = 0; r < view->nrows; ++r) {
        const unsigned char* src = view->row_index[r];
        for (int b = 0; b < nbands; ++b) {
            unsigned char* dst = planar->band_index[nbands == 3 ? 2 - b : b][r];
            for (int c = 0; c < view->ncolumns; ++c) dst[c] = src[c * nbands + b];
        }
    }
    return planar;
}

// One adapter's image, reduced by `factor`. Reductions read the bitmap through a view where
// one can be had, so no full-size copy is made; a planar result is asked for by Copy.
NImagePtr ConvertOne(IImageAdapter* adapter, bool expand8bit, ImageSource source, int factor) {
    NImagePtr image;
    const bool viewFirst = source != ImageSource::Copy || factor > 1;
    if (source == ImageSource::LowerView) {
        image.reset(adapter->ToNILDIB48Lower(expand8bit));
    } else if (viewFirst) {
        image.reset(adapter->ToNILDIB(expand8bit));
    }
    // Palette and 16-bit bitmaps cannot be viewed as they are: take a planar copy.
    if (!image && source != ImageSource::LowerView) image.reset(adapter->ToNIL(expand8bit));
    if (!image) return image;
    if (factor > 1) {
        NImagePtr smaller(NReduceImage(image.get(), nullptr, -1, factor, factor));
        image = std::move(smaller);
        if (!image) return image;
    }
    if (source == ImageSource::Copy && image->interleaved) image = ToPlanar(image.get());
    return image;
}

// Converts every adapter of a set, reduced by `factor`; 3 when one cannot be converted, 12
// when the images differ in size or band count.
int ConvertSet(const ImageSet& set, ImageSource source, int factor, std::vector<NImagePtr>* out) {
    for (IImageAdapter* adapter : set.adapters) {
        try {
            if (adapter->GetWidth() != set.width || adapter->GetHeight() != set.height) return 12;
        } catch (const CBmpAdapterException&) {
            return 3;
        }
        NImagePtr image = ConvertOne(adapter, set.expand8bit, source, factor);
        if (!image) return 3;
        if (!out->empty() && image->nbands != out->front()->nbands) return 12;
        out->push_back(std::move(image));
    }
    return 0;
}

// A list holding `images` (which pass into its ownership), or null.
NAttrList MakeImageList(std::vector<NImagePtr>& images) {
    NAttrList list = NCreateAttrList();
    if (list == nullptr) return nullptr;
    for (NImagePtr& image : images) {
        if (!NAppendAttr(list, kImageAttrName, nullptr, NImageRepn,
                         NAttrValue::Pointer(image.get()))) {
            NDestroyAttrList(list);
            return nullptr;
        }
        image.release();
    }
    return list;
}

// Replaces a context list by one holding `images`.
bool ReplaceImageList(NAttrList* target, std::vector<NImagePtr>& images) {
    NAttrList list = MakeImageList(images);
    if (list == nullptr) return false;
    if (*target != nullptr) NDestroyAttrList(*target);
    *target = list;
    return true;
}

} // namespace

namespace {

// Loads the normal set into the context's list, reduced by `factor`, with fresh records.
int LoadImages(MosaicState& state, int factor) {
    MosaicContext& context = state.context;
    if (context.images != nullptr) return 0;
    ImageSet* set = state.normal.get();
    if (set == nullptr || set->Count() == 0) return 12;
    std::vector<NImagePtr> images;
    if (const int code = ConvertSet(*set, ImageSource::Copy, factor, &images); code != 0)
        return code;
    if (factor > 1 && context.mask != nullptr) {
        N_ImageRec* mask = NReduceImage(context.mask, nullptr, -1, factor, factor);
        if (mask == nullptr) return 3;
        NDestroyImage(context.mask);
        context.mask = mask;
    }
    const bool colour = images.front()->nbands == 3;
    const int rows = images.back()->nrows, columns = images.back()->ncolumns;
    if (!ReplaceImageList(&context.images, images)) return 3;
    set->scale = 1.0 / factor;
    context.count = set->Count();
    context.records.assign(static_cast<std::size_t>(context.count), MosaicImageRecord{});
    context.colour = colour;
    context.rows = rows;
    context.columns = columns;
    return 0;
}

} // namespace

int LoadSessionImages(MosaicState& state) {
    return LoadImages(state, 1);
}

int LoadProcessingImages(MosaicState& state) {
    const ImageSet* set = state.normal.get();
    if (set == nullptr || set->Count() == 0) return 12;
    return LoadImages(state, ProcessingFactor(set->size, set->height, set->width));
}

int ProcessingFactor(int mode, int rows, int columns) {
    const int longer = rows > columns ? rows : columns;
    const int levels = longer < 320 ? 1 : (longer < 640 ? 2 : 3);
    const int n = longer < 641 ? levels - 1 : levels;
    switch (mode) {
    case 0:
        return n >= 2 ? 1 << (n - 1) : 1;
    case 1:
        return n >= 2 ? 2 : 1;
    default:
        return 1;
    }
}

int ReloadForComposition(MosaicState& state) {
    ImageSet* set = state.normal.get();
    MosaicContext& context = state.context;
    if (set == nullptr || set->Count() == 0) return 12;
    const int factor = ProcessingFactor(set->size, set->height, set->width);
    std::vector<NImagePtr> images, lower;
    if (const int code = ConvertSet(*set, ImageSource::View, factor, &images); code != 0)
        return code;
    const ImageSet* set48 = state.set48.get();
    if (set48 != nullptr && set48->Count() > 0) {
        if (set48->Count() != set->Count() || set48->width != set->width ||
            set48->height != set->height)
            return 12;
        if (const int code = ConvertSet(*set48, ImageSource::LowerView, factor, &lower); code != 0)
            return code;
    }
    set->scale = 1.0 / factor;
    context.rows = images.back()->nrows;
    context.columns = images.back()->ncolumns;
    if (!ReplaceImageList(&context.images, images)) return 3;
    if (!lower.empty() && !ReplaceImageList(&context.images48, lower)) return 3;
    return 0;
}

int ApplyAlignments(MosaicState& state) {
    const ImageSet* set = state.normal.get();
    MosaicContext& context = state.context;
    if (set == nullptr) return 12;
    const double scale = set->scale;
    auto outside = [&](int dr, int dc) {
        return std::abs(dr) > context.rows || std::abs(dc) > context.columns;
    };
    if (set->align) {
        const auto& entries = set->align->entries;
        for (std::size_t k = 0; k < entries.size() && static_cast<int>(k) + 1 < context.count;
             ++k) {
            const int dr = static_cast<int>(entries[k].dr * scale);
            const int dc = static_cast<int>(entries[k].dc * scale);
            if (outside(dr, dc)) return 4;
            context.records[k + 1].align_dr = dr;
            context.records[k + 1].align_dc = dc;
        }
    }
    if (context.flag360 == 1 && !context.records.empty()) {
        const int dr = static_cast<int>(context.align360_dr * scale);
        const int dc = static_cast<int>(context.align360_dc * scale);
        if (outside(dr, dc)) return 4;
        context.records[0].align_dr = dr;
        context.records[0].align_dc = dc;
    }
    return 0;
}

int ApplyMatches(MosaicState& state, MotionModel model, double focal) {
    const ImageSet* set = state.normal.get();
    MosaicContext& context = state.context;
    if (set == nullptr) return 12;
    if (!set->match_seq || set->match_seq->sets.empty()) return 0;
    const auto& sets = set->match_seq->sets;
    const bool cylinder = focal > 0.0;
    const int minimum = cylinder ? 2 : MinimumHandMatches(model);
    const int shortfall = minimum == 1 ? 10 : (minimum == 2 ? 6 : 5);
    const bool report = model != MotionFocalProjective;
    if (report) {
        if (static_cast<int>(sets.size()) < context.count - 1) return shortfall;
        for (const MatchSet& s : sets) {
            if (static_cast<int>(s.pairs.size()) < minimum) return shortfall;
        }
    }
    const double scale = set->scale;
    for (std::size_t k = 0; k < sets.size(); ++k) {
        // Set k belongs to record k + 1; the closing set of a 360-degree turn to record 0.
        int target = static_cast<int>(k) + 1;
        if (target >= context.count) {
            if (context.flag360 != 1 || target != context.count) break;
            target = 0;
        }
        const MatchSet& s = sets[k];
        if (s.pairs.empty()) continue;
        MatchList* list = CreateMatchList();
        if (list == nullptr) return 3;
        double sumR = 0.0, sumC = 0.0;
        for (const MatchPair& p : s.pairs) {
            double r1 = p.r1, c1 = p.c1, r2 = p.r2, c2 = p.c2;
            // Points are mapped on the full-resolution pictures they were set on, then scaled.
            if (cylinder && (!PointToCylinder(set->height, set->width, focal, &r1, &c1) ||
                             !PointToCylinder(set->height, set->width, focal, &r2, &c2))) {
                DestroyMatchList(list);
                return 12;
            }
            r1 *= scale;
            c1 *= scale;
            r2 *= scale;
            c2 *= scale;
            if (!AppendMatch(list, r1, c1, r2, c2)) {
                DestroyMatchList(list);
                return 3;
            }
            sumR += r1 - r2;
            sumC += c1 - c2;
        }
        const int n = static_cast<int>(s.pairs.size());
        MosaicImageRecord& record = context.records[static_cast<std::size_t>(target)];
        DestroyMatchList(record.matches);
        record.matches = list;
        record.align_dr = static_cast<int>(sumR / n);
        record.align_dc = static_cast<int>(sumC / n);
        if (target == 0) {
            context.align360_dr = record.align_dr;
            context.align360_dc = record.align_dc;
        }
    }
    return 0;
}
