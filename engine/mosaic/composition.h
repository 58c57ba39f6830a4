// The composition pipeline: reload the images, optionally even out their colours, order them,
// size the canvas, lay every image with distance-map blending and deliver the composite.
#pragma once

#include "session/session_state.h"
#include "stitchkit/IProgress.h"

// Builds the composite into the context. 0, 2, 3, 7 or 11.
int ComposeMosaic(SessionState& session, ProgressSink* sink, int from, int to);

// Hands the composite (and the 48-bit one) to the adapter and releases them. 0, or 3 when the
// adapter could not take them.
int DeliverOutput(MosaicContext& context, IImageAdapter* out);

// The render operation: description 30009 (1, count), position 5, ComposeMosaic (5, 90),
// position 90, DeliverOutput, position 100.
int RenderMosaic(SessionState& session, IImageAdapter* out, ProgressSink* sink);
