// How far a neighbouring pair can be trusted: whether the two views show the same place where
// their pairwise transform puts them, measured by the normalised correlation of the overlap's
// structure after alignment. The pair's matches are no evidence on their own: tracked from the
// alignment, the matches of two unrelated pictures often agree with one transform too; they
// serve to align the overlap better where the mode's model does not describe the pair.
#pragma once

#include <cstddef>

#include "mosaic/homography.h"
#include "mosaic/match_list.h"
#include "mosaic/mosaic_context.h"
#include "mosaic/motion_model.h"
#include "stitchkit/ImageRec.h"

// Fewer overlap samples than this say nothing about a pair: its correlation counts as 0.
inline constexpr int kMinimumOverlapSamples = 200;

// The share of the matches beyond the `ExactFitMatches(kind)` a fit passes through anyway
// whose residual under H (first -> second) is at most `tolerance` pixels:
// (agreeing - m) / (n - m) for n > m matches, clamped to 0 .. 1; 0 for n <= m.
double MatchAgreement(const MatchList* matches, const Homography8& H, FitKind kind,
                      double tolerance);

// The confidence of a pair, 0 .. 1: the magnitude of the zero-mean normalised correlation of the
// overlap after alignment under H, or under an affine fit of the pair's matches when at least
// six of them mostly agree with it and it correlates better. `matches` may be null.
// The correlation compares both pictures' grey values reduced to a larger side of about 400
// pixels and band-passed (smooth shading and noise left out): the first's reduced pixels with
// the second's at H(point) where that lies inside it. With `valid` (one ubyte band of the
// images' size) a point counts only where it and its surroundings are non-zero at both ends.
// It is 0 with fewer than kMinimumOverlapSamples points or when either side is flat.
double PairConfidenceOf(const N_ImageRec* first, const N_ImageRec* second, const Homography8& H,
                        const MatchList* matches, const N_ImageRec* valid);

// Empties the context's confidences and makes room for `pairs` of them (each -1, not measured).
void StartPairConfidences(MosaicContext& context, int pairs);

// Stores PairConfidenceOf the pair at `slot` of the context's confidences (ignored outside the
// room made). Pairs of one run may be measured side by side: each writes only its own slot.
void RecordPairConfidence(MosaicContext& context, std::size_t slot, const N_ImageRec* first,
                          const N_ImageRec* second, const Homography8& H, const MatchList* matches,
                          const N_ImageRec* valid);
