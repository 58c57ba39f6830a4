// The engine's raster toolbox: sampling, reduction, filling, cropping, conversion,
// convolution, Gaussian smoothing and gradients. Every operation that produces an image takes
// an optional destination (null: create one; given: must match), copies the source's
// attributes to the result and returns it, or null after a report.
#pragma once

#include "core/image_record.h"

// Border rules of the convolutions, per dimension.
enum NConvolvePad {
    NPadZero = 0,  // output 0 whenever a tap falls outside
    NPadNone = 1,  // taps outside contribute nothing
    NPadClamp = 2, // coordinates clamp to the nearest edge
    NPadWrap = 3,  // coordinates wrap around
    NPadTrim = 4   // no padding: the output shrinks to where the whole mask fits
};

double NGetPixelBilinear(const N_ImageRec* image, int band, double row, double column);
NImage NReduceImage(NImage src, NImage dest, int band, int row_factor, int column_factor);
bool NFillImage(NImage image, int band, double value);
bool NFillPacked(NImage image, int packed_colour);
NImage NCropImage(NImage src, NImage dest, int band, int top, int left, int nrows, int ncolumns);
NImage NCropMask(NImage mask, int top1, int left1, int top2, int left2, int nrows, int ncolumns,
                 int* pixel_count);
NImage NConvertImageCopy(NImage src, NImage dest, int band, NRepnKind kind);
NImage NConvolveImage(NImage src, NImage dest, int band, NImage mask, NConvolvePad pad, int shift);
NImage NConvolveSep(NImage src, NImage dest, int band, NImage row_mask, NImage column_mask,
                    NConvolvePad row_pad, NConvolvePad column_pad, int row_shift, int column_shift);
NImage NSmoothGaussian(NImage src, int size, int band);
NImage NImageGradientXY(NImage src, NImage dest, int band, int kernel_size, const double* kernel);
NImage NImageGradient3(NImage src);
