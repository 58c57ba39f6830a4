// The composition pipeline: reload the images, optionally even out their colours, order them,
// size the canvas, lay every image with distance-map blending and deliver the composite.
#pragma once

#include "mosaic/mosaic_state.h"
#include "stitchkit/IProgress.h"

// Variations of the composition used by view interpolation.
struct CompositionRule {
    // The canvas is the base image's own rectangle in the canvas frame (its rows and columns,
    // no offset) instead of the bounding box of every image.
    bool base_frame = false;
    // Images after the first are cross-dissolved with what lies under them, weighing the new
    // image `dissolve_weight` and the canvas 1 - `dissolve_weight`, and are laid in the order
    // of the image list; otherwise the distance maps of the blend level are used.
    bool dissolve = false;
    double dissolve_weight = 0.0;
};

// Builds the composite into the context. 0, 2, 3, 7 or 11.
int ComposeMosaic(MosaicState& state, ProgressSink* sink, int from, int to,
                  const CompositionRule& rule = {});

// Hands the composite (and the 48-bit one) to the adapter and releases them. 0, or 3 when the
// adapter could not take them.
int DeliverOutput(MosaicContext& context, IImageAdapter* out);

// The render operation: description 30009 (1, count), position 5, ComposeMosaic (5, 90),
// position 90, DeliverOutput, position 100.
int RenderMosaic(MosaicState& state, IImageAdapter* out, ProgressSink* sink);
