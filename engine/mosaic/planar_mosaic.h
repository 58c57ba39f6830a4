// Estimation of a planar mosaic: projective transforms between neighbours, checked by their
// residuals, chained to one base image.
#pragma once

#include "mosaic/mosaic_state.h"
#include "stitchkit/IProgress.h"

// 0, 9 (a pair was joined by its alignment alone), 2, 3, 4, 5, 7 or 12.
int PlanarEstimate(MosaicState& state, ProgressSink* sink);
