// Estimation of a planar mosaic: projective transforms between neighbours, checked by their
// residuals, chained to one base image.
#pragma once

#include "session/session_state.h"
#include "stitchkit/IProgress.h"

// 0, 9 (a pair was joined by its alignment alone), 2, 3, 4, 5, 7 or 12.
int PlanarEstimate(SessionState& session, ProgressSink* sink);
