// Corner detection for feature matching: the corner measure of a grey plane and the greedy
// selection of features, strongest first, at least a template apart.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "mosaic/feature_plane.h"

inline constexpr int kFeatureHalf = 6; // half of the 13 x 13 feature template

// Twice the smaller eigenvalue of the structure tensor at every pixel of `smoothed` (the grey
// plane after the 3-tap Gaussian): central-difference derivatives (one-sided at the borders),
// their products Ixx, Iyy, Ixy smoothed by the 13-tap Gaussian (sigma 3.0), then
// Ixx + Iyy - sqrt((Ixx - Iyy)^2 + 4 Ixy^2), 0 where negative.
FloatPlane CornerMeasure(const FloatPlane& smoothed);

struct DetectedFeature {
    int r = 0;
    int c = 0;
    double strength = 0.0; // the corner measure at (r, c)
};

// Hands out the features of a corner-measure plane in the order of the greedy selection: the
// candidates are the pixels at least 6 rows and columns inside the border whose measure exceeds
// the threshold, taken by decreasing measure (equal measures in raster order); a candidate is
// accepted unless an earlier accepted feature cleared it, and each accepted feature at (r, c)
// clears the square r - 13 .. r + 12, c - 13 .. c + 12.
//
// The candidates are sorted lazily, one strength band at a time: a caller that needs only the
// features above some strength never pays for sorting the weak majority of a large window. The
// features come out exactly as a full sort would give them.
class FeatureDetector {
public:
    FeatureDetector(FloatPlane lambda, double threshold);

    // True when no pixel passed the threshold.
    bool Empty() const { return m_total == 0; }
    // The next accepted feature if its strength is at least `minStrength`; false when the next
    // one is weaker or none is left (the feature then stays next).
    bool Next(double minStrength, DetectedFeature* out);

private:
    // A candidate as one sortable key: the complemented bits of its (non-negative) measure in
    // the high half, its raster index r x cols + c in the low half, so that ascending keys run
    // from the strongest candidate down, equal measures in raster order.
    using Key = std::uint64_t;
    void SortDownTo(double minStrength);

    FloatPlane m_lambda;
    std::vector<Key> m_pending; // raster order, not sorted yet, all weaker than m_floor
    std::vector<Key> m_ready;   // sorted, strongest first
    std::size_t m_next = 0;
    double m_floor; // every candidate at least this strong is in m_ready
    std::size_t m_total = 0;
};
