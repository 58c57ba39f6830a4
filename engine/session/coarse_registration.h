// Coarse registration: every consecutive pair matched on Laplacian images, refined by the mean
// absolute difference, and a rough composite of all images placed by the shifts.
#pragma once

#include "session/session_state.h"
#include "stitchkit/IProgress.h"

// 0, 2 (cancelled), 3 (no memory or a failed conversion) or 12 (no images).
int CoarseRegistrationWorker(SessionState& session, IImageAdapter* out, ProgressSink* sink);

struct PairShift {
    int dr = 0;
    int dc = 0;
};

// The shift of band 1 of a two-band ubyte pair image relative to band 0 (band 1's top-left
// pixel at (dr, dc) of band 0). `edge` must lie within 0 .. 100. `ok` is false when memory ran
// out.
PairShift CoarsePairShift(N_ImageRec* pair, int edge, bool* ok);
