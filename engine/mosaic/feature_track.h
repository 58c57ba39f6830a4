// Feature tracking from one band of an overlap window into the other: Gaussian pyramids of both
// bands, a coarse-to-fine block flow field that predicts where each feature went, and an
// iterative gradient-based (Lucas-Kanade) registration of the feature's 13 x 13 patch.
#pragma once

#include <vector>

#include "mosaic/feature_plane.h"

// The displacement field of one pyramid level: one displacement and one quality value per
// block of a regular grid, interpolated bilinearly between block centres (and held constant
// beyond the outer centres).
struct FlowField {
    int blockRows = 0;
    int blockCols = 0;
    double firstCentreR = 0.0; // centre of block (0, 0)
    double firstCentreC = 0.0;
    std::vector<float> dr, dc; // displacement of each block, row-major
    std::vector<float> quality;

    bool Empty() const { return blockRows == 0 || blockCols == 0; }
    // The displacement at (r, c) of the level; (0, 0) for an empty field.
    void Lookup(double r, double c, double* outR, double* outC) const;
};

struct TrackResult {
    bool tracked = false; // the registered window stayed inside the second band
    double r = 0.0;       // tracked position in the second band
    double c = 0.0;
    double displacement = 0.0; // distance between the flow prediction and the registered point
    double quality = 0.0;      // conditioning of the patch: see RegisterPatch
};

class FeatureTracker {
public:
    // band0 and band1: the two smoothed bands of an overlap (equal size); both must outlive the
    // tracker. The normal tracker estimates the flow from the coarsest pyramid level down to
    // level 2 when there are at least 3 levels (its prediction is then that flow times 4.0),
    // else down to level 0 (times 1.0). The refinement tracker works on bands that are already
    // registered by the current transform and takes the flow down to level 0 with the
    // multiplier 1.0.
    FeatureTracker(const FloatPlane& band0, const FloatPlane& band1, bool refinement);

    // Tracks the feature at (r, c) of band 0 (at least 6 pixels inside the border).
    TrackResult Track(int r, int c) const;

    int Levels() const { return static_cast<int>(m_pyramid0.size()); }
    int FlowLevel() const { return m_flowLevel; }
    const FlowField& Flow() const { return m_flow; }

private:
    const FloatPlane& Level0(int level) const;
    const FloatPlane& Level1(int level) const;

    const FloatPlane& m_band0;
    const FloatPlane& m_band1;
    std::vector<FloatPlane> m_pyramid0; // index 0 unused (level 0 is the band itself)
    std::vector<FloatPlane> m_pyramid1;
    int m_flowLevel = 0;
    double m_multiplier = 1.0;
    FlowField m_flow;
};

// Number of pyramid levels of a window: how often it can be halved while half of its smaller
// side still exceeds the template size plus 2 (15), at least 1.
int PyramidLevels(int rows, int cols);

// Lucas-Kanade registration of a 13 x 13 template (values and central-difference gradients,
// row-major) whose centre sits at (centreR, centreC) of the first band into the
// second band, starting from the displacement (dr, dc): at most 8 iterations, ending once at
// least 4 have run and both updates are below 0.01 pixel. On success (dr, dc) is the registered
// displacement and `quality` the smaller eigenvalue of the template's gradient matrix per pixel
// (how well the patch constrains both directions). False when that quality is below
// `minQuality` or the window leaves the second band.
bool RegisterPatch(const float* values, const float* gradR, const float* gradC,
                   const FloatPlane& target, double centreR, double centreC, double minQuality,
                   double* dr, double* dc, double* quality);
