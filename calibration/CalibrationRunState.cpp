#include "calibration/CalibrationRunState.h"

#include "app/SettingsFile.h"
#include "calibration/CalibrationTargets.h"
#include "calibration/CaptureSteps.h"
#include "calibration/KeyCalibrationState.h"

std::atomic<int> g_CalDataInitSuc{0};
std::atomic<int> g_CalibrationProcessSuc{0};
std::atomic<int> g_WaitFrameCount{40};

int readWaitFrameCount(const SettingsFile& settings)
{
    const int frames = capture::steadyLength(
        settings.readInt(QStringLiteral("Vireto_Config"), QStringLiteral("CalibTime"), 40));
    g_WaitFrameCount = frames;
    return frames;
}

void resetCalibrationState()
{
    g_CalDataInitSuc = 0;
    g_CalibrationProcessSuc = 0;
    g_WaitFrameCount = 40;
    CalibrationRunState& run = calibrationRunState();
    run.fastMode = 0;
    run.reset();
    keyCalibrationState().reset(0);
}

void CalibrationRunState::reset()
{
    std::lock_guard lock(mutex());
    index = 0;
    warmUpCount = 0;
    steadyCount = 0;
    progress = 0;
    shownTarget = kNoTarget;
    accepted = 0;
    rejected = 0;
    leftValid = 0;
    rightValid = 0;
    leftCount = 0;
    rightCount = 0;
    bothSidesSeen = 0;
    calPoints.clear();
    leftInputs.fill(0);
    rightInputs.fill(0);
}

bool CalibrationRunState::stepBack()
{
    return stepIndexBack(
        index, [this] { return targetCount(); },
        [this](int k) {
            calPoints.clearSlot(fastMode ? calibration_targets::fullIndexOfFast(k) : k);
            accepted = 1;
            rejected = 0;
            shownTarget = k - 1;
        });
}

CalibrationRunState& calibrationRunState()
{
    static CalibrationRunState state;
    return state;
}
