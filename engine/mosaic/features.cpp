// Automatic matching between two images whose relative shift is known roughly.
#include "mosaic/features.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <utility>

#include "mosaic/feature_match.h"
#include "mosaic/feature_plane.h"

MatchList* MatchFeatures(const N_ImageRec* first, const N_ImageRec* second, int dr, int dc,
                         double strengthStart, double minCorrelation, int minMatches,
                         const N_ImageRec* mask) {
    if (first == nullptr || second == nullptr) return nullptr;
    // The common window of the first image and the second shifted by (dr, dc).
    const int rows = first->nrows - std::abs(dr), cols = first->ncolumns - std::abs(dc);
    if (rows < kMinOverlap || cols < kMinOverlap) return nullptr;
    const int top0 = std::max(dr, 0), left0 = std::max(dc, 0);
    const int top1 = std::max(-dr, 0), left1 = std::max(-dc, 0);
    try {
        FloatPlane band0 = GreyWindow(first, top0, left0, rows, cols);
        FloatPlane band1 = GreyWindow(second, top1, left1, rows, cols);
        OverlapMatchSettings settings;
        settings.mask = mask;
        settings.minCorrelation = minCorrelation;
        settings.minFiltered = minMatches;
        settings.strengthStart = strengthStart;
        settings.enoughKept = 10;
        settings.minKept = minMatches;
        MatchList* matches = MatchOverlap(std::move(band0), std::move(band1), settings);
        if (matches == nullptr) return nullptr;
        // Window coordinates -> each image's own coordinates.
        ShiftFeatureList(&matches->first, top0, left0);
        ShiftFeatureList(&matches->second, top1, left1);
        return matches;
    } catch (const std::bad_alloc&) {
        return nullptr; // working planes of a huge window: treated as no match
    }
}
