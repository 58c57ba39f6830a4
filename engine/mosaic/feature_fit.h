// Least-squares fits of the motion models to match lists.
#pragma once

#include "mosaic/homography.h"
#include "mosaic/match_list.h"
#include "mosaic/motion_model.h"

enum class FitKind { Translation, Similarity, Affine, Projective };

// The fit of a pair's transform: translation for models 2, 4 and 6, similarity for 1 and 5,
// affine for 7, projective for the others.
FitKind PairFitKind(MotionModel model);

// Fits the kind to the matches (first list -> second list) into H. False, with H unchanged,
// when the list is empty or the solver found the system singular (it reports that itself).
bool FitMatches(FitKind kind, const MatchList* matches, Homography8* H);
