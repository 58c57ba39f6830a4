// View interpolation between two overlapping images: estimation of the pair transform, and
// rendering of the in-between view for a parameter t from 0 (image 1's frame) to 1 (image
// 0's frame).
#pragma once

#include "mosaic/homography.h"
#include "mosaic/mosaic_state.h"
#include "mosaic/motion_model.h"
#include "stitchkit/BmpAdapter.h"
#include "stitchkit/IProgress.h"

// Blendings of an interpolated view.
inline constexpr int kInterpolateBlendMosaic = 0;   // distance maps of the context's blend level
inline constexpr int kInterpolateBlendDissolve = 1; // (1 - t)·canvas + t·new image

// M(t) = t·I + (1 - t)·P element by element over all nine elements (the ninth being 1 in
// both), divided by its ninth element.
Homography8 InterpolatedTransform(const Homography8& P, double t);

// Prepares the context, estimates every neighbour pair with `model` (positions 10 to 50),
// chooses the base when none was set and chains the transforms; P is the pairwise transform of
// image 0 (image 0 -> image 1) and Q its stored inverse. Hand-set matches need four or more
// per pair (else 5). 0, 1, 2, 3, 4, 5 or 12 (fewer than two images, a model code out of range,
// a base out of range).
int InterpolateEstimate(MosaicState& state, int model, ProgressSink* sink, Homography8* P,
                        Homography8* Q);

// Renders the view for t from P and Q into `out` (positions 50 to 100). With two images the
// first one's transform is interpolated between P and the identity; with more, the chained
// transforms are composed as they are. `blendType` 0 blends by distance maps, 1 dissolves by t
// (with two images). `keepBaseFrame` cuts the canvas to the base image's rectangle. 0, 2, 3,
// 7, 11 or 12 (a blend type other than 0 or 1, a t that is not a number, no output).
int InterpolateRender(MosaicState& state, IImageAdapter* out, const Homography8& P,
                      const Homography8& Q, double t, int blendType, bool keepBaseFrame,
                      ProgressSink* sink);
