// Focal-length estimation: a projective transform fitted to every neighbouring pair, the focal
// length a pure camera turn would imply for each, and summaries of the per-pair values.
#pragma once

#include "mosaic/mosaic_state.h"
#include "stitchkit/IProgress.h"
#include "stitchkit/MFCPanorama.h"

// The focal length (pixels) a transform in centred coordinates implies for a camera turning
// about its centre: f0^2 = (h5^2 - h2^2) / (h0^2 + h1^2 - h3^2 - h4^2) and
// f1^2 = (h0^2 + h3^2 - h1^2 - h4^2) / (h7^2 - h6^2), each 0 when its ratio is negative or its
// denominator 0, and f = sqrt(f0 f1) when both are non-zero, else 0. A transform whose
// perspective terms change the divisor by less than 0.1 percent between the centre and the
// edge of a picture of `extent` pixels (its larger side) has f1's denominator taken as 0: a
// least-squares fit of a pure translation never gives exact zeros there, and the noise would
// otherwise pass for a focal length.
struct FocalParts {
    double f0_numerator = 0.0;
    double f0_denominator = 0.0;
    double f1_numerator = 0.0;
    double f1_denominator = 0.0;
    double f0 = 0.0;
    double f1 = 0.0;
    double f = 0.0;
};
FocalParts FocalFromHomography(const double h[8], int extent);

// The summaries over the first count - 1 entries of the list (fewer when the links end) whose
// f (mm) is not 0: the least-median-of-squares best value and its median squared deviation,
// the mean of the values within that deviation of the best, the median (element (n - 1) / 2 of
// the sorted values), the mean, and the mean weighted by match score / photometric error over
// the entries with an error above 0, f above 0 and |f0 - f1| at most 20 mm. Every summary is 0
// when nothing qualifies for it.
void SummariseFocalList(AutoFocalListStruct* list);

// The estimation of GetAutoFocalList: prepares the context (images, alignments, hand-set
// matches), writes the processing size into the list, fills the entry of every pair whose
// projective fit is accepted, summarises, and clears every record's pairwise transform so
// that a cylinder mosaic estimates them afresh; the prepared context stays. With the global
// refinement on (MosaicState::refine) and a turn closed over 360 degrees, the closing pair is
// matched too and the best estimate becomes the focal length for which the turns of all pairs
// add up to one full turn (ClosureFocal), searched around the pairwise best estimate; the
// other summaries stay the pairwise ones. Returns the result
// of the last pair (0, 7 rejected by its residuals, 9 joined by its alignment alone) or the
// code that ended the estimation (2, 3, 4, 12).
int EstimateFocalList(MosaicState& state, AutoFocalListStruct* list, ProgressSink* sink);
