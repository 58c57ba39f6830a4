// Cylinder mosaics: every processing image projected onto a vertical cylinder whose radius is
// the focal length, neighbours joined by pure translations, the drift of a full turn levelled,
// and the images laid side by side with a horizontal blend.
#pragma once

#include "mosaic/mosaic_state.h"
#include "stitchkit/BmpAdapter.h"
#include "stitchkit/IProgress.h"

// Replaces every processing image (and the mask image, when it has their size) by its
// projection with focal length `focal` (mm), reporting positions from .. to in equal steps
// per image; notes the columns before projection and the focal length in the context, sets
// its columns to the projected width and scales every record's alignment dc by new columns /
// old columns, truncated. 0, 2, 3 or 12 (a focal length that cannot be projected).
int ProjectContextImages(MosaicContext& context, double focal, ProgressSink* sink, int from,
                         int to);

// The worker of DoCylinderMosaics. `focal` in mm; 0 takes the images as already cylindrical.
// With `keepPrepared` a context prepared earlier (by GetAutoFocalList) is used as it is and
// only the hand-set matches are applied; without, or when nothing was prepared, the context
// is prepared from the image sets. The composite goes to `out` through FromNIL without palette
// and only on success. 0, 9 (a pair was joined by its alignment alone), 2, 3, 4, 6, 8 or 12.
int CylinderMosaic(MosaicState& state, double focal, IImageAdapter* out, bool keepPrepared,
                   ProgressSink* sink);

// The worker of DoCylinderMosaicsPanTilt: prepared and projected as CylinderMosaic, then every
// image placed by its alignment (by the mean displacement of its hand-set matches where it has
// them), base image 0, and the whole layout turned by `angleDegrees` on top of the drift
// rotation (360-degree flag set) or of no rotation. 0, 2, 3, 4, 6, 8 or 12.
int CylinderMosaicPanTilt(MosaicState& state, double focal, double angleDegrees, IImageAdapter* out,
                          ProgressSink* sink);
