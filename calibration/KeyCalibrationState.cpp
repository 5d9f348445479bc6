#include "calibration/KeyCalibrationState.h"

void KeyCalibrationState::reset(int targets)
{
    std::lock_guard lock(mutex());
    index = 0;
    targetCount = targets;
    progress = 0;
    steadyCount = 0;
}

bool KeyCalibrationState::stepBack()
{
    std::lock_guard lock(mutex());
    const int k = index;
    if (k <= 0 || k >= targetCount)
        return false;
    index = k - 1;
    countStepBack();
    return true;
}

KeyCalibrationState& keyCalibrationState()
{
    static KeyCalibrationState state;
    return state;
}
