// Automatic feature matching between neighbouring images, motion-model fits, the
// coarse-to-fine pair estimation and the residual checks of projective fits.
#pragma once

#include "mosaic/homography.h"
#include "mosaic/match_list.h"
#include "mosaic/mosaic_context.h"
#include "mosaic/motion_model.h"

// Matches between two images whose relative shift is (dr, dc) (the second image's top-left
// pixel at (dr, dc) of the first): corners detected in the overlap of the first image, tracked
// into the second, filtered by bounds, mask and correlation, thinned by strength. Null when
// fewer than `minMatches` remain. Points are in each image's own coordinates.
MatchList* MatchFeatures(const N_ImageRec* first, const N_ImageRec* second, int dr, int dc,
                         double strengthStart, double minCorrelation, int minMatches,
                         const N_ImageRec* mask);

// Fits the model to the matches by linear least squares into H (first image -> second).
void FitModel(MotionModel model, const MatchList* matches, Homography8* H);

// Best-of-five matching at the coarsest pyramid level (images reduced by `factor`).
MatchList* EstimatePairCoarse(const N_ImageRec* first, const N_ImageRec* second, int dr, int dc,
                              int factor, MotionModel model, Homography8* H);

// One finer level of the coarse-to-fine estimation; updates H and Hinv.
MatchList* RefinePair(const N_ImageRec* first, const N_ImageRec* second, Homography8* H,
                      Homography8* Hinv, int factor, MotionModel model, const N_ImageRec* mask);

// The whole estimation of pair (i-1, i) (the closing pair (last, 0) when i is 0): writes the
// pairwise transform of the previous record and its inverse into record i. 0, or 9 when a
// level fell back to the alignment translation.
int EstimatePair(MosaicContext& context, int i, const N_ImageRec* first, const N_ImageRec* second,
                 int levels, MotionModel model);

// Residuals of the matches under H (distance from H(first point) to the second point).
double MeanResidual(const MatchList* matches, const Homography8& H);
// Prints the per-match residuals and their statistics; returns the median.
double ResidualReport(const MatchList* matches, const Homography8& H);
// Accepts a projective fit whose mean residual is below `limit`.
bool VerifyPlanar(const MatchList* matches, const Homography8& H, double limit);
