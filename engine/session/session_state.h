// The process-wide session behind every MFCPanorama object: one mosaic state, whose image sets
// the exported methods fill and whose context their operations work in.
#pragma once

#include "mosaic/mosaic_state.h"

using SessionState = MosaicState;

// The single session of the process.
SessionState& Session();

// Releases both image sets and the context contents (the context back at its initial values).
void ResetSession();
