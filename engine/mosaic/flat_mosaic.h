// Preparing a mosaic from the session, pairwise estimation, base choice and chaining of the
// pairwise transforms to the base image.
#pragma once

#include "mosaic/motion_model.h"
#include "session/session_state.h"
#include "stitchkit/IProgress.h"

// Steps 1 to 4 of a flat estimation: images loaded and reduced, alignments and hand-set matches
// applied, translation positions computed, the given base checked. 0, 3, 4, 5, 6, 10 or 12.
int PrepareMosaic(SessionState& session, MotionModel model);

// Positions of every image placed by its alignment alone, shifted so that none is negative.
void ComputeTranslationPositions(MosaicContext& context);

// Pairwise transforms for every neighbour pair, reporting positions from `from` to `to`.
// 0, 1 (the closing pair of a 360-degree turn could not be matched), 2 or 3.
int EstimatePairs(SessionState& session, MotionModel model, ProgressSink* sink, int from, int to);

// The image whose translation position is nearest the mean position (lower index on ties).
int ChooseBase(const MosaicContext& context);

// To-image and to-canvas transforms of every image relative to the base image.
void ChainTransforms(MosaicContext& context);
