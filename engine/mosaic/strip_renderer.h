// Laying images side by side onto one canvas, each new image blended with what is already
// there by a horizontal ramp: the strip renderer of the horizontal-strip mosaics (models 5 and
// 6) and its integer-placement form for cylinder mosaics (model 2), both with or without the
// closure of a 360-degree turn. The base image is image 0 and the transforms are chained to
// it; the composite is left in the context's output as a planar image.
#pragma once

#include <vector>

#include "mosaic/mosaic_context.h"
#include "mosaic/motion_model.h"
#include "stitchkit/IProgress.h"

// Weights of one overlap column: w0 weighs the new image, w1 the canvas.
struct RampWeight {
    double w0 = 0.0;
    double w1 = 0.0;
};

// The horizontal ramp of a blend level over an overlap `width` columns wide: with a = j + 1
// and b = width - j, column j weighs a^2 : b^2 (gradual and half), a^4 : b^4 (steep), or
// 0 : 255 where a <= b and 255 : 0 elsewhere (none) when the new image lies to the right of
// the previous one; mirrored otherwise.
std::vector<RampWeight> LevelRamp(int level, int width, bool new_on_right);

// The rotation that levels a closed turn: (dx, dy) is where the first image lands after the
// full turn (the last image's canvas translation minus the translation of its closing
// transform), turned to point right; t = -atan2(dy, dx) and length = dx cos t - dy sin t.
struct DriftRotation {
    double dx = 0.0;
    double dy = 0.0;
    double t = 0.0;
    double length = 0.0;
};
DriftRotation ComputeDriftRotation(const MosaicContext& context);

// Lays the images without closure. Model 2 (cylinder): the canvas is the union of the images
// at their integer translations, each pasted at its integer position, blended by the ramp of
// the context's blend level, with the validity mask of the projection (when the images were
// projected). Models 5 and 6: the canvas holds every image's mapped corners and the base
// rectangle, each image blended by the squared ramp over its overlap with the images before
// it; model 6 pastes at integer translations, model 5 resamples through the to-image
// transforms. Reports descriptions 30009 and positions from .. to. 0, 2, 3, 7 (a transform
// sends a corner to infinity) or 12 (images and records that do not fit together).
int RenderStrip(MosaicContext& context, MotionModel model, ProgressSink* sink, int from, int to);

// Lays the images of a closed turn: every position turned by the drift rotation, the canvas one
// turn wide, columns beyond the turn wrapped to the left edge, overlaps with the previous image
// blended by the ramp and the wrapped start of the panorama by centre-distance weights of the
// blend level. 0, 2, 3, 8 (the turn is narrower than 0.8 image widths or lower than half an
// image) or 12.
int RenderStrip360(MosaicContext& context, MotionModel model, ProgressSink* sink, int from, int to);

// The laying of RenderStrip360 with `extra_angle` (radians) added to the rotation: with `wrap`
// the drift rotation of the closed turn is the starting angle and the canvas one turn wide;
// without, the starting angle is 0 and the canvas is the bounding box of the turned images.
// Either way the narrowness test applies. 0, 2, 3, 8 or 12.
int RenderTurned(MosaicContext& context, MotionModel model, double extra_angle, bool wrap,
                 ProgressSink* sink, int from, int to);
