#pragma once

#include "calibration/TouchExtraction.h"

// The candidate choice of the key calibration: a key lies on the frame's border, close
// to one camera (the near camera: the left one for the left column class, else the
// right one) and far from the other.
namespace key_choice {

// Range: the near camera keeps 0..900, the far one 600..1220. Several in range: (a) of
// those below 201 the largest position, final when two or more lie there; (b) else the
// widest (the later on equal widths), final at a half-width of 10 or more; (c) else the
// one nearest the sensor centre. The chosen candidate stays valid, the others are
// rejected; the result's valid byte says whether a choice was made.
TouchCandidate chooseKey(touch_extraction::CandidateList& cand, int count, int columnClass,
                         int side);

// Column class of a key side code: 0 for the left side, 1 for the right, 2 otherwise.
int columnClassOfSide(int sideCode);

} // namespace key_choice
