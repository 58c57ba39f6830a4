// Laying images onto the canvas: sampling through a canvas-to-image transform, the first image
// copied, every later image blended with what is already there by distance-map weights whose
// shape follows the blend level; the horizontal ramp of the strip renderers; and the colour
// correction that evens out brightness between neighbouring images before anything is laid.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "core/image_ptr.h"
#include "mosaic/homography.h"
#include "mosaic/mosaic_context.h"

// The blend levels kept in MosaicContext::blend_level.
enum BlendLevel : std::int32_t {
    kBlendGradual = 0, // weights Dp^4 : Dk^4
    kBlendHalf = 1,    // the mean of canvas and new image
    kBlendSteep = 2,   // weights Dp^8 : Dk^8
    kBlendNone = 3     // the nearer centre wins; on equal distance the new image
};

// An integer position on the canvas (an image centre).
struct CanvasCentre {
    std::int32_t r = 0;
    std::int32_t c = 0;
};

// An inclusive rectangle of canvas pixels.
struct PixelRect {
    int r0 = 0;
    int c0 = 0;
    int r1 = -1;
    int c1 = -1;
};

// Bounding box of four canvas points.
CanvasBox CornerBox(const CanvasPoint corners[4]);

// The overlap rectangle of an image's box with the boxes of the images laid before it: the
// bounding box of every non-empty intersection, or an empty box when there is none.
CanvasBox OverlapRect(const CanvasBox& box, std::span<const CanvasBox> earlier);

// The band of `source` that holds the colour of band `band` of `target`. Interleaved
// three-band images keep a bitmap's blue, green, red order, planar ones red, green, blue.
int MatchingBand(const N_ImageRec* source, const N_ImageRec* target, int band);

// The weights of laying image k over the canvas: a two-band double image of rows x columns
// whose pixel (0, 0) is canvas pixel (top, left). Band 0 weighs image k, band 1 the canvas.
// Dk is the squared distance of a pixel to `centre`, Dp the smallest squared distance to any
// of `earlier`: gradual Dp^4 : Dk^4, half 255 : 255, steep Dp^8 : Dk^8, none 255 : 0 where
// Dp >= Dk and 0 : 255 elsewhere. Where the powers overflow the weights of level none are used.
// Null when the map cannot be allocated.
NImagePtr MakeDistanceMap(int level, int top, int left, int rows, int columns, CanvasCentre centre,
                          std::span<const CanvasCentre> earlier);

// The horizontal ramp over an overlap `width` columns wide, as a two-band double image of
// rows x width: column j weighs the new image (j + 1)^2 and the canvas (width - j)^2 when the
// new image lies to the right of what is already laid, and the other way round otherwise.
// Null when the map cannot be allocated.
NImagePtr MakeHorizontalRamp(int rows, int width, bool new_on_right);

// What one image contributes: its pixels, optionally the low bytes of a 16-bit-per-channel
// companion of the same size (laid with the same geometry and weights into the canvas's second
// output), the canvas-to-image transform, a one-band mask (only pixels whose mask value at the
// rounded source position is 255 are laid; ignored unless it has the image's size) and the
// sampling rule (bilinear, or nearest neighbour).
struct LaySource {
    const N_ImageRec* image = nullptr;
    const N_ImageRec* image48 = nullptr;
    Homography8 to_image;
    const N_ImageRec* mask = nullptr;
    bool nearest = false;
};

// The composite being built: the ubyte output, an optional second output for the low bytes,
// and the coverage map (one byte per output pixel, row by row: 0 free, 255 covered).
struct BlendCanvas {
    N_ImageRec* output = nullptr;
    N_ImageRec* output48 = nullptr;
    std::vector<unsigned char> coverage;
};

// Weights for LayBlendedImage: a map from MakeDistanceMap or MakeHorizontalRamp and the canvas
// position of its pixel (0, 0).
struct WeightMap {
    const N_ImageRec* map = nullptr;
    int top = 0;
    int left = 0;
};

// Lays the first image: every pixel of `rect` (clipped to the canvas) that belongs to the
// source gets the sample in every band and becomes covered.
void LayFirstImage(BlendCanvas& canvas, const LaySource& source, PixelRect rect);

// Lays a further image: on a free pixel the sample is written and the pixel becomes covered;
// on a covered pixel inside the weight map the result is (w0·new + w1·old) / (w0 + w1) per
// band (the pixel is kept when both weights are 0); a covered pixel outside the map is left as
// it is and "Distance map out of bounds\n" is printed. Returns how many such pixels there were.
std::int64_t LayBlendedImage(BlendCanvas& canvas, const LaySource& source, PixelRect rect,
                             const WeightMap& weights);

// Colour correction of the context's images, in sequence order. The first pass estimates, for
// every pair (i-1, i), the mean difference between image i-1 and image i over their common
// pixels (through the pairwise transforms) and stores it as record i's offset (0 when the pair
// has no common pixel), with gain 1; the second pass adds the running sum of the offsets to
// every pixel of image i, clamped to 0 .. 255 and truncated. An image that views the caller's
// bitmap is replaced in the list by a corrected copy, so the caller's pixels never change.
// Offsets and gains are kept in colour order (red, green, blue; band 0 for grey). Each pass
// prints "MGetColCorrection: %lf msec.\n". Returns 0, 3 (out of memory) or 12 (no images, or
// records that do not match them).
int CorrectColours(MosaicContext& context);

// The first pass alone: offsets and gains of every record from the images as they are.
int EstimateColourOffsets(MosaicContext& context);
// The second pass alone: applies the records' offsets and gains.
int ApplyColourOffsets(MosaicContext& context);
