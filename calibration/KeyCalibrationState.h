#pragma once

#include "calibration/SteppedRun.h"

#include <atomic>

// The state of a key calibration, shared by its worker and its window: the key index
// (the current target; the target count means compute, one more means store), the
// progress and the steady counter are atomics; stepping back is serialised with the
// worker's evaluation by mutex().
class KeyCalibrationState : public SteppedRun {
public:
    std::atomic<int> index{0};
    std::atomic<int> targetCount{0};
    std::atomic<int> progress{0};
    std::atomic<int> steadyCount{0};

    void reset(int targets);
    // The window's step back: while a target is being collected and the index is above 0,
    // moves it back one target. False otherwise.
    bool stepBack();
};

KeyCalibrationState& keyCalibrationState();
