// The automatic alignment workers: one pair, and every consecutive pair of the session.
#pragma once

#include "session/session_state.h"
#include "stitchkit/IProgress.h"

// Aligns image j to image i (12 for bad indices, 3 for no memory or a failed conversion,
// 2 when cancelled). dr and dc are written once the search has run. With a mask adapter the
// masked search is used. With `fine`, the shift is refined down to full resolution.
int AlignPairWorker(SessionState& session, int i, int j, int* dr, int* dc, IImageAdapter* mask,
                    ProgressSink* sink, bool fine = false);

// Aligns every consecutive pair from a freshly loaded context and replaces the session's
// alignment list with the result. 0, 2, 3, or 12 without images.
int AlignAllWorker(SessionState& session, IImageAdapter* mask, ProgressSink* sink,
                   bool fine = false);

// Converts a mask adapter into one ubyte band of the images' size; null and *code set (3 or
// 12) when it cannot.
N_ImageRec* ConvertMask(IImageAdapter* mask, int rows, int columns, int* code);
