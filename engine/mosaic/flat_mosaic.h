// Preparing a mosaic from its image sets, pairwise estimation, base choice and chaining of the
// pairwise transforms to the base image.
#pragma once

#include <functional>

#include "mosaic/mosaic_state.h"
#include "mosaic/motion_model.h"
#include "stitchkit/IProgress.h"

// Steps 1 to 4 of a flat estimation: images loaded and reduced, alignments and hand-set matches
// applied, translation positions computed, the given base checked. 0, 3, 4, 5, 6, 10 or 12.
int PrepareMosaic(MosaicState& state, MotionModel model);

// Positions of every image placed by its alignment alone, shifted so that none is negative.
void ComputeTranslationPositions(MosaicContext& context);

// Pairwise transforms for every neighbour pair, reporting positions from `from` to `to`.
// 0, 1 (the closing pair of a 360-degree turn could not be matched), 2 or 3.
int EstimatePairs(MosaicState& state, MotionModel model, ProgressSink* sink, int from, int to);

// Pyramid levels for matching: 1, 2 or 3 by the larger side of the image (below 320, below
// 640, otherwise).
int MatchingLevels(const N_ImageRec* image);

// Pair i of a mosaic writes only the pairwise transform of record i-1 and the records of pair
// i, so pairs can be estimated side by side. Runs estimate(i) for i = 1 .. count-1 in batches
// over the engine's workers (messages held back), then, on this thread and in pair order,
// shows each pair's messages and calls finish(i); a non-zero code from finish stops the run.
int RunPairs(int count, const std::function<void(int)>& estimate,
             const std::function<int(int)>& finish);

// The image whose translation position is nearest the mean position (lower index on ties).
int ChooseBase(const MosaicContext& context);

// To-image and to-canvas transforms of every image relative to the base image.
void ChainTransforms(MosaicContext& context);
