// Loading a mosaic state's image sets into its context, the processing-size reduction and the
// application of the sets' alignments and hand-set matches to the context's records.
#pragma once

#include "mosaic/mosaic_state.h"
#include "mosaic/motion_model.h"

// Converts every adapter of the normal set into the context's image list when the context has
// none yet, allocates the records and sets the processing rows and columns. Returns 0, 3 (a
// conversion or allocation failed) or 12 (no images, or images of different sizes).
int LoadSessionImages(MosaicState& state);

// Rebuilds the context's image lists for composition: views of the adapters' bitmaps (a
// planar copy where a bitmap cannot be viewed as it is), the 48-bit list from the low-byte
// buffers when there is one, both reduced to the processing size unless the size mode is 2.
// Returns 0, 3 or 12.
int ReloadForComposition(MosaicState& state);

// The reduction factor of size mode 0, 1 or 2 for images of rows x columns.
int ProcessingFactor(int mode, int rows, int columns);

// Loads the normal set (when the context has no images yet) reduced by the factor of the set's
// size mode, the mask too, and sets the set's scale to 1 / factor. Returns 0, 3 or 12.
int LoadProcessingImages(MosaicState& state);

// Copies the alignments into the records at the processing scale. Returns 0 or 4 (an
// alignment larger than the image).
int ApplyAlignments(MosaicState& state);

// Turns the hand-set matches (when there are any) into the records' match lists at the
// processing scale; with `focal` > 0 the points are first mapped onto the cylinder of that
// focal length (mm of 35 mm film) on the full-resolution pictures, then scaled. Returns 0, 3,
// 12 (a focal length that cannot be projected), or for too few matches 10, 6 or 5.
int ApplyMatches(MosaicState& state, MotionModel model, double focal);
