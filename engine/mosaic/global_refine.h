// Global refinement of a mosaic: after every neighbouring pair has been estimated on its own,
// all views are adjusted together on the pairs' matches, so that the errors of the pairs do
// not add up along the chain; and the focal length for which a closed turn is one full turn.
#pragma once

#include <vector>

#include "mosaic/match_list.h"
#include "mosaic/mosaic_context.h"

// Corresponding points of two views: point k of `a` in view `from` shows the scene point that
// point k of `b` in view `to` shows. Coordinates (x = column, y = row) of the views' own pixels.
struct PairPoints {
    struct Point {
        double x = 0.0;
        double y = 0.0;
    };
    int from = 0;
    int to = 0;
    bool closing = false; // the pair (last, first) of a turn closed over 360 degrees
    std::vector<Point> a;
    std::vector<Point> b;
};

// Appends a copy of a pair's matches (the first list in view `from`); nothing when there are
// none.
void KeepPairPoints(const MatchList* matches, int from, int to, bool closing,
                    std::vector<PairPoints>* pairs);

// Translations (or similarities: rotation, scale and translation) of all views, adjusted
// together by linear least squares on the points of every pair; with a closing pair the turn
// adds a free translation between the last view and the first one's repeat. Writes every
// record's pairwise transform (view k -> view k + 1, and last -> first for the closing pair)
// and the stored inverses. False, changing nothing, when a neighbouring pair has too few
// points for its model or the system cannot be solved.
bool RefineFlat(MosaicContext& context, const std::vector<PairPoints>& pairs, bool similarity);

// The views of a camera that turns about its centre: one rotation per view and one focal
// length common to all, adjusted by Levenberg-Marquardt on the pairs' points (principal point
// at the centre of the view, the first view's rotation held fixed), started from the pairwise
// projective transforms of the records. Writes the records' pairwise transforms K R' R^-1 K^-1
// and their inverses, and the adjusted focal length (pixels) into *focal. False, changing
// nothing, when a pair has too few points, the start cannot be made, or the adjustment ends
// with a larger error than the pairwise transforms had.
bool RefinePlane(MosaicContext& context, const std::vector<PairPoints>& pairs, double* focal);

// The focal length (pixels) for which the horizontal angles turned between the views of every
// pair, the closing pair included, add up to one full turn, for a camera turning about its
// vertical axis. Points in coordinates centred on the principal point. Searched around
// `estimate` (from a fifth to five times it); 0 when the pairs cannot close a turn there.
double ClosureFocal(const std::vector<PairPoints>& pairs, double estimate);
