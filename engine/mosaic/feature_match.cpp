#include "mosaic/feature_match.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "core/image_ptr.h"
#include "core/image_record.h"
#include "mosaic/feature_detect.h"
#include "mosaic/feature_track.h"

namespace {

constexpr int kTemplate = 2 * kFeatureHalf + 1;
constexpr int kTemplatePixels = kTemplate * kTemplate;
constexpr int kSmoothTaps = 3; // Gaussian, sigma 0.5, before detection and tracking

// One feature with its tracked partner.
struct Pair {
    DetectedFeature feature;
    TrackResult track;
};

// Mask value at the rounded position (half away from zero); outside the mask counts as 0.
bool MaskAllows(const N_ImageRec* mask, double r, double c) {
    const double rr = std::round(r), rc = std::round(c);
    if (rr < 0.0 || rc < 0.0 || rr > mask->nrows - 1 || rc > mask->ncolumns - 1) return false;
    return NGetPixel(mask, 0, static_cast<int>(rr), static_cast<int>(rc)) > 254.0;
}

// A 13 x 13 ubyte patch of rounded values, or null when memory runs out.
N_ImageRec* MakePatch(const float* values) {
    N_ImageRec* patch = NCreateImage(1, kTemplate, kTemplate, NUByteRepn);
    if (patch == nullptr) return nullptr;
    for (int i = 0; i < kTemplate; ++i)
        for (int j = 0; j < kTemplate; ++j) {
            const float v = std::clamp(std::floor(values[i * kTemplate + j] + 0.5f), 0.0f, 255.0f);
            NPixel<unsigned char>(patch, 0, i, j) = static_cast<unsigned char>(v);
        }
    return patch;
}

// Builds the match list of the kept pairs with their patches; null when memory runs out.
MatchList* BuildMatchList(const std::vector<Pair>& kept, const FloatPlane& band0,
                          const FloatPlane& band1) {
    MatchList* list = CreateMatchList();
    if (list == nullptr) return nullptr;
    float window[kTemplatePixels];
    for (const Pair& p : kept) {
        if (!AppendMatch(list, p.feature.r, p.feature.c, p.track.r, p.track.c)) {
            DestroyMatchList(list);
            return nullptr;
        }
        FeaturePoint* a = list->first.last;
        a->strength = p.feature.strength;
        a->quality = -1.0;
        SampleWindow(band0, p.feature.r, p.feature.c, kTemplate, window);
        a->patch = MakePatch(window);
        FeaturePoint* b = list->second.last;
        b->strength = p.feature.strength;
        b->displacement = p.track.displacement;
        b->quality = p.track.quality;
        SampleWindow(band1, p.track.r, p.track.c, kTemplate, window);
        b->patch = MakePatch(window);
        if (a->patch == nullptr || b->patch == nullptr) {
            DestroyMatchList(list);
            return nullptr;
        }
    }
    return list;
}

} // namespace

double NormalisedCorrelation(const float* a, const float* b, int n) {
    double meanA = 0.0, meanB = 0.0;
    for (int k = 0; k < n; ++k) {
        meanA += a[k];
        meanB += b[k];
    }
    meanA /= n;
    meanB /= n;
    double sab = 0.0, saa = 0.0, sbb = 0.0;
    for (int k = 0; k < n; ++k) {
        const double da = a[k] - meanA, db = b[k] - meanB;
        sab += da * db;
        saa += da * da;
        sbb += db * db;
    }
    const double denominator = std::sqrt(saa * sbb);
    return denominator > 0.0 ? sab / denominator : 0.0;
}

void ShiftFeatureList(FeatureList* list, double dr, double dc) {
    for (FeaturePoint* p = list->first; p != nullptr; p = p->next) {
        p->r += dr;
        p->c += dc;
    }
}

MatchList* MatchOverlap(FloatPlane band0, FloatPlane band1, const OverlapMatchSettings& settings) {
    const int rows = band0.rows, cols = band0.cols;
    if (rows < kMinOverlap || cols < kMinOverlap) return nullptr;
    const std::vector<float> taps = GaussianTaps(kSmoothTaps);
    FloatPlane scratch(rows, cols);
    // Detection, tracking, correlation and patches all work on the smoothed bands.
    FloatPlane smooth0 = std::move(band0), smooth1 = std::move(band1);
    SmoothPlane(smooth0, taps, scratch);
    SmoothPlane(smooth1, taps, scratch);
    scratch = FloatPlane();

    FeatureDetector detector(CornerMeasure(smooth0), kCornerThreshold);
    if (detector.Empty()) return nullptr;
    const FeatureTracker tracker(smooth0, smooth1, settings.refinement);

    // Features are tracked and filtered lazily, strongest first: the thinning below only ever
    // looks at the pairs above its current threshold, and every pair is judged on its own, so
    // the weak features below the final threshold never need tracking. The result is that of
    // tracking and filtering every feature first.
    std::vector<Pair> passed;
    float values[kTemplatePixels], window[kTemplatePixels];
    auto processDownTo = [&](double minStrength) {
        DetectedFeature f;
        while (detector.Next(minStrength, &f)) {
            const TrackResult t = tracker.Track(f.r, f.c);
            // An untracked pair (its window left band 1) carries zero quality values and no
            // usable position: it never passes the bounds filter.
            if (!t.tracked) continue;
            // Bounds: the tracked point at least half a template from every border.
            if (t.r < kTemplateHalfExtent || t.r > rows - 1 - kTemplateHalfExtent ||
                t.c < kTemplateHalfExtent || t.c > cols - 1 - kTemplateHalfExtent)
                continue;
            if (settings.mask != nullptr &&
                (!MaskAllows(settings.mask, f.r, f.c) || !MaskAllows(settings.mask, t.r, t.c)))
                continue;
            SampleWindow(smooth0, f.r, f.c, kTemplate, values);
            if (!SampleWindow(smooth1, t.r, t.c, kTemplate, window)) continue;
            if (NormalisedCorrelation(values, window, kTemplatePixels) < settings.minCorrelation)
                continue;
            passed.push_back({f, t});
        }
    };
    // With a filter minimum above the thinning's stopping count the total is needed up front.
    if (settings.minFiltered > settings.enoughKept) processDownTo(-HUGE_VAL);
    auto atLeast = [&passed](double strength) {
        std::vector<Pair> kept;
        for (const Pair& p : passed)
            if (p.feature.strength >= strength) kept.push_back(p);
        return kept;
    };

    // Strength thinning: lower the threshold by 50 until enough pairs are kept, while the
    // previous threshold was above the floor. The last kept set is the candidate set.
    double t = settings.strengthStart;
    std::vector<Pair> kept;
    for (;;) {
        processDownTo(t);
        kept = atLeast(t);
        if (static_cast<int>(kept.size()) >= settings.enoughKept) break;
        const double previous = t;
        t -= kStrengthStep;
        if (!(previous > kStrengthFloor)) break;
    }
    // When the thinning stopped early, at least `enoughKept` pairs passed, which covers the
    // filter minimum; otherwise the count of all pairs decides. (The thresholds have then gone
    // below the corner threshold, so every feature has been processed already.)
    if (static_cast<int>(kept.size()) < settings.enoughKept) processDownTo(-HUGE_VAL);
    if (static_cast<int>(passed.size()) < settings.minFiltered) return nullptr;
    if (static_cast<int>(kept.size()) < settings.minKept) return nullptr;
    if (kept.empty()) return nullptr; // nothing tracked (matters only for a minimum below 1)
    return BuildMatchList(kept, smooth0, smooth1);
}
