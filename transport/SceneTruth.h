#pragma once

#include "calibration/AccuracyCheck.h"
#include "transport/VirtualScene.h"

// What a virtual frame's scene knows of a touch, in the form the accuracy checks take:
// where the finger is, and where the exact camera model puts two sensor positions.
accuracy_check::Truth truthOf(VirtualScene& scene);
