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
    return stepIndexBack(
        index, [this] { return targetCount.load(); }, [](int) {});
}

KeyCalibrationState& keyCalibrationState()
{
    static KeyCalibrationState state;
    return state;
}
