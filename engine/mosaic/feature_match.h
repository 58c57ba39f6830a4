// Matching inside an overlap image (two grey planes of equal size): detection in band 0,
// tracking into band 1, bounds, mask and correlation filters and strength thinning. Shared by
// MatchFeatures and the refinement level of the pair estimation.
#pragma once

#include "mosaic/feature_plane.h"
#include "mosaic/match_list.h"
#include "stitchkit/ImageRec.h"

inline constexpr double kCornerThreshold = 10.0;
inline constexpr double kStrengthStep = 50.0;
inline constexpr double kStrengthFloor = 10.0;
inline constexpr double kMinOverlap = 6; // narrower overlap windows give no matches
inline constexpr double kTemplateHalfExtent = 6.5;

struct OverlapMatchSettings {
    bool refinement = false; // track with the refinement tracker (bands already registered)
    const N_ImageRec* mask = nullptr; // read at the window coordinates of both points
    double minCorrelation = 0.7;
    int minFiltered = 1;          // fewer pairs after the filters: no result
    double strengthStart = 500.0; // first strength threshold of the thinning
    int enoughKept = 10;          // the thinning stops once this many pairs are kept
    int minKept = 1;              // fewer pairs after the thinning: no result
};

// The matches of the overlap in window coordinates (node k of the first list in band 0, node k
// of the second in band 1), strongest first, or null. The bands are smoothed in place.
MatchList* MatchOverlap(FloatPlane band0, FloatPlane band1, const OverlapMatchSettings& settings);

// Zero-mean normalised cross-correlation of two windows of n values; 0 when either is flat.
double NormalisedCorrelation(const float* a, const float* b, int n);

// Moves every point of the list by (dr, dc).
void ShiftFeatureList(FeatureList* list, double dr, double dc);
