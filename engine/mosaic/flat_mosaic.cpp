#include "mosaic/flat_mosaic.h"

#include <algorithm>
#include <limits>

#include "core/report.h"
#include "mosaic/image_loading.h"

void ComputeTranslationPositions(MosaicContext& context) {
    auto& records = context.records;
    if (records.empty()) return;
    records[0].trans_r = records[0].trans_c = 0;
    for (std::size_t i = 1; i < records.size(); ++i) {
        records[i].trans_r = records[i - 1].trans_r + records[i].align_dr;
        records[i].trans_c = records[i - 1].trans_c + records[i].align_dc;
    }
    int minR = std::numeric_limits<int>::max(), minC = std::numeric_limits<int>::max();
    for (const MosaicImageRecord& r : records) {
        minR = std::min(minR, r.trans_r);
        minC = std::min(minC, r.trans_c);
    }
    for (MosaicImageRecord& r : records) {
        r.trans_r -= minR;
        r.trans_c -= minC;
    }
}

int ChooseBase(const MosaicContext& context) {
    const auto& records = context.records;
    if (context.images == nullptr || records.empty()) {
        NWarning("No source images");
        return 0;
    }
    double meanR = 0.0, meanC = 0.0;
    for (const MosaicImageRecord& r : records) {
        meanR += r.trans_r;
        meanC += r.trans_c;
    }
    meanR /= static_cast<double>(records.size());
    meanC /= static_cast<double>(records.size());
    int base = 0;
    double best = std::numeric_limits<double>::infinity();
    for (std::size_t k = 0; k < records.size(); ++k) {
        const double dr = records[k].trans_r - meanR, dc = records[k].trans_c - meanC;
        const double d = dr * dr + dc * dc;
        if (d < best) {
            best = d;
            base = static_cast<int>(k);
        }
    }
    return base;
}

void ChainTransforms(MosaicContext& context) {
    auto& records = context.records;
    const int count = static_cast<int>(records.size());
    const int base = context.base;
    for (int k = 0; k < count; ++k) {
        Homography8 toImage;
        if (k > base) {
            // P(base) first, then P(base + 1), ... up to P(k - 1).
            for (int j = base; j < k; ++j)
                ComposeHomography(records[j].pairwise, toImage, &toImage);
        } else if (k < base) {
            // Q(base) first, then down to Q(k + 1), Q(j) being the inverse of P(j - 1).
            for (int j = base; j > k; --j)
                ComposeHomography(records[j].prev_inverse, toImage, &toImage);
        }
        records[k].to_image = toImage;
        Homography8 toCanvas;
        if (k == base || !InvertHomography(toImage, &toCanvas)) toCanvas = Homography8::Identity();
        records[k].to_canvas = toCanvas;
    }
}

int PrepareMosaic(MosaicState& state, MotionModel model) {
    MosaicContext& context = state.context;
    if (const int code = LoadProcessingImages(state); code != 0) return code;
    if (const int code = ApplyAlignments(state); code != 0) return code;
    ComputeTranslationPositions(context);
    if (const int code = ApplyMatches(state, model, 0.0); code != 0) return code;
    const int base = state.normal->base;
    if (base != 0) {
        if (base < 1 || base > context.count) return 12;
        context.base = base - 1;
    }
    return 0;
}
