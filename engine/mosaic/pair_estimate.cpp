// Coarse-to-fine estimation of one pair's transform: a best-of-five search on the coarsest
// pyramid level, then a refinement on every finer level through the current transform.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>
#include <utility>

#include "core/image_ops.h"
#include "core/image_ptr.h"
#include "core/report.h"
#include "mosaic/feature_fit.h"
#include "mosaic/feature_match.h"
#include "mosaic/feature_plane.h"
#include "mosaic/features.h"

namespace {

constexpr double kMatchingThreshold = 500.0;
constexpr double kCoarseStrengthStart = kMatchingThreshold / 2.0;
constexpr double kCorrelationThreshold = 0.7;

// The coarse search's matches a fit needs: exactly as many as it passes through, and six for
// a projective one.
int CoarseMinimumMatches(FitKind kind) {
    return kind == FitKind::Projective ? 6 : ExactFitMatches(kind);
}

// The image reduced by `factor` in both directions (the image itself for factor 1); false
// after the reduction reported a failure.
bool Reduced(const N_ImageRec* image, int factor, NImagePtr* owner, const N_ImageRec** out) {
    if (factor <= 1) {
        *out = image;
        return true;
    }
    owner->reset(NReduceImage(const_cast<N_ImageRec*>(image), nullptr, -1, factor, factor));
    *out = owner->get();
    return *out != nullptr;
}

bool InsideImage(const N_ImageRec* image, const Homography8& H, int r, int c) {
    double rr = 0.0, cc = 0.0;
    if (!H.Apply(r, c, &rr, &cc)) return false;
    return rr >= 0.0 && rr <= image->nrows - 1 && cc >= 0.0 && cc <= image->ncolumns - 1;
}

struct Rect {
    int top = 0, left = 0, bottom = -1, right = -1;
    int Rows() const { return bottom - top + 1; }
    int Cols() const { return right - left + 1; }
};

// The overlap rectangle of the refinement in the first image: the second image's outline mapped
// back by Hinv bounds a box, inside which the largest rectangle whose top-left and bottom-right
// corners both map into the second image is searched on a coarse grid. False when none exists.
bool OverlapRectangle(const N_ImageRec* first, const N_ImageRec* second, const Homography8& H,
                      const Homography8& Hinv, Rect* out) {
    const double corners[4][2] = {{0.0, 0.0},
                                  {0.0, second->ncolumns - 1.0},
                                  {second->nrows - 1.0, second->ncolumns - 1.0},
                                  {second->nrows - 1.0, 0.0}};
    double minR = HUGE_VAL, maxR = -HUGE_VAL, minC = HUGE_VAL, maxC = -HUGE_VAL;
    for (const auto& corner : corners) {
        double r = 0.0, c = 0.0;
        if (!Hinv.Apply(corner[0], corner[1], &r, &c)) return false;
        minR = std::min(minR, r);
        maxR = std::max(maxR, r);
        minC = std::min(minC, c);
        maxC = std::max(maxC, c);
    }
    minR = std::max(minR, 0.0);
    minC = std::max(minC, 0.0);
    maxR = std::min(maxR, first->nrows - 1.0);
    maxC = std::min(maxC, first->ncolumns - 1.0);
    if (!(minR <= maxR && minC <= maxC)) return false;
    const int top = static_cast<int>(std::floor(minR)) + 1,
              bottom = static_cast<int>(std::floor(maxR));
    const int left = static_cast<int>(std::floor(minC)) + 1,
              right = static_cast<int>(std::floor(maxC));
    if (top > bottom || left > right) return false;
    const int midR = (top + bottom) / 2, midC = (left + right) / 2;
    const int stepR = (bottom - top) / 10 >= 2 ? (bottom - top) / 10 : 1;
    const int stepC = (right - left) / 10 >= 2 ? (right - left) / 10 : 1;
    long long bestArea = 0;
    for (int t = top; t <= midR; t += stepR)
        for (int b = bottom; b >= midR; b -= stepR)
            for (int l = left; l <= midC; l += stepC)
                for (int rt = right; rt >= midC; rt -= stepC) {
                    const long long area = static_cast<long long>(b - t + 1) * (rt - l + 1);
                    if (area <= bestArea) continue;
                    if (!InsideImage(second, H, t, l) || !InsideImage(second, H, b, rt)) continue;
                    bestArea = area;
                    *out = Rect{t, l, b, rt};
                }
    return bestArea > 0;
}

void StoreInverse(MosaicImageRecord& record, const Homography8& H) {
    Homography8 inverse;
    record.prev_inverse = InvertHomography(H, &inverse) ? inverse : Homography8::Identity();
}

} // namespace

MatchList* EstimatePairCoarse(const N_ImageRec* first, const N_ImageRec* second, int dr, int dc,
                              int factor, MotionModel model, Homography8* H) {
    if (first == nullptr || second == nullptr || H == nullptr) return nullptr;
    NImagePtr firstOwner, secondOwner;
    const N_ImageRec* a = nullptr;
    const N_ImageRec* b = nullptr;
    if (!Reduced(first, factor, &firstOwner, &a) || !Reduced(second, factor, &secondOwner, &b))
        return nullptr;
    const int f = std::max(factor, 1);
    const int startR = dr / f, startC = dc / f;
    const int s = std::min(a->nrows, a->ncolumns) / 40;
    const int offsets[5][2] = {{-s, -s}, {-s, s}, {0, 0}, {s, -s}, {s, s}};
    const FitKind kind = CoarseFitKind(model);
    const int minMatches = CoarseMinimumMatches(kind);

    MatchList* best = nullptr;
    double bestMean = 0.0;
    Homography8 bestH = *H;
    for (const auto& offset : offsets) {
        MatchList* matches =
            MatchFeatures(a, b, startR + offset[0], startC + offset[1], kCoarseStrengthStart,
                          kCorrelationThreshold, minMatches, nullptr);
        if (matches == nullptr) continue;
        Homography8 fitted = *H;
        FitMatches(kind, matches, &fitted);
        const double mean = MeanResidual(matches, fitted);
        NPrintf("%d, %d: %lf\n", offset[0], offset[1], mean);
        if (best == nullptr || mean < bestMean) {
            DestroyMatchList(best);
            best = matches;
            bestMean = mean;
            bestH = fitted;
        } else {
            DestroyMatchList(matches);
        }
    }
    if (best != nullptr) *H = bestH;
    return best;
}

MatchList* RefinePair(const N_ImageRec* first, const N_ImageRec* second, Homography8* H,
                      Homography8* Hinv, int factor, MotionModel model, const N_ImageRec* mask) {
    if (first == nullptr || second == nullptr || H == nullptr || Hinv == nullptr) return nullptr;
    // The transform of the coarser level, scaled to this one.
    H->h[2] *= 2.0;
    H->h[5] *= 2.0;
    H->h[6] /= 2.0;
    H->h[7] /= 2.0;
    if (!InvertHomography(*H, Hinv)) return nullptr;

    NImagePtr firstOwner, secondOwner;
    const N_ImageRec* a = nullptr;
    const N_ImageRec* b = nullptr;
    if (!Reduced(first, factor, &firstOwner, &a) || !Reduced(second, factor, &secondOwner, &b))
        return nullptr;
    Rect rect;
    if (!OverlapRectangle(a, b, *H, *Hinv, &rect)) return nullptr;

    MatchList* matches = nullptr;
    try {
        // Band 1 is the second image registered onto the first through H.
        FloatPlane band0 = GreyWindow(a, rect.top, rect.left, rect.Rows(), rect.Cols());
        FloatPlane band1 = WarpedGreyWindow(b, *H, rect.top, rect.left, rect.Rows(), rect.Cols());
        OverlapMatchSettings settings;
        settings.refinement = true;
        settings.mask = mask;
        settings.minCorrelation = kCorrelationThreshold;
        settings.minFiltered = 6;
        settings.strengthStart = kMatchingThreshold;
        settings.enoughKept = 8;
        settings.minKept = 4;
        matches = MatchOverlap(std::move(band0), std::move(band1), settings);
    } catch (const std::bad_alloc&) {
        matches = nullptr;
    }
    if (matches == nullptr) return nullptr;
    ShiftFeatureList(&matches->first, rect.top, rect.left);
    ShiftFeatureList(&matches->second, rect.top, rect.left);
    // Points found in the registered band go back into the second image's own coordinates.
    for (FeaturePoint* p = matches->second.first; p != nullptr; p = p->next) {
        double r = p->r, c = p->c;
        H->Apply(p->r, p->c, &r, &c);
        p->r = r;
        p->c = c;
    }
    FitModel(model, matches, H);
    NPrintf("--- Verify Homography\n");
    ResidualReport(matches, *H);
    return matches;
}

int EstimatePair(MosaicContext& context, int i, const N_ImageRec* first, const N_ImageRec* second,
                 int levels, MotionModel model) {
    const int count = static_cast<int>(context.records.size());
    if (i < 0 || i >= count || count < 2) return 9;
    const int p = i == 0 ? count - 1 : i - 1;
    MosaicImageRecord& record = context.records[static_cast<std::size_t>(i)];
    Homography8& H = context.records[static_cast<std::size_t>(p)].pairwise;
    const int dr = record.align_dr, dc = record.align_dc;

    if (record.matches != nullptr) {
        // Hand-set matches: fitted directly.
        FitMatches(HandFitKind(model), record.matches, &H);
        StoreInverse(record, H);
        return 0;
    }
    if (context.skip_feature_matching != 0) {
        H = Homography8::Translation(-dr, -dc);
        StoreInverse(record, H);
        return 0;
    }

    bool fellBack = false;
    MatchList* matches = nullptr;
    Homography8 Hinv;
    const int top = std::max(levels, 1);
    for (int level = top; level >= 1; --level) {
        const int factor = 1 << (level - 1);
        DestroyMatchList(matches);
        if (level == top) {
            matches = EstimatePairCoarse(first, second, dr, dc, factor, model, &H);
        } else {
            matches = RefinePair(first, second, &H, &Hinv, factor, model, context.mask);
            if (matches == nullptr) NPrintf("No Feature Matching: Use 2D Translation\n");
        }
        if (matches == nullptr) {
            H = Homography8::Translation(-(dr / factor), -(dc / factor));
            fellBack = true;
        }
        StoreInverse(record, H);
    }
    record.matches = matches;
    return fellBack ? 9 : 0;
}
