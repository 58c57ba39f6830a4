// Least-squares fits of the motion models to match lists.
#pragma once

#include "mosaic/homography.h"
#include "mosaic/match_list.h"
#include "mosaic/motion_model.h"

// Fits the kind to the matches (first list -> second list) into H. False, with H unchanged,
// when the list is empty or the solver found the system singular (it reports that itself).
bool FitMatches(FitKind kind, const MatchList* matches, Homography8* H);
