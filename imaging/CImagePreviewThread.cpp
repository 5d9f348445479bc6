#include "imaging/CImagePreviewThread.h"

#include "device/Delay.h"
#include "device/DeviceState.h"
#include "imaging/LevelingRun.h"
#include "imaging/LineImages.h"
#include "imaging/SearchState.h"
#include "imaging/StepGuard.h"

namespace {

constexpr double kSensorTestPollMs = 100;

} // namespace

CImagePreviewThread::CImagePreviewThread(Device& device, AdjustScreenState& state,
                                         const LevelingConfig& config, QObject* parent)
    : DeviceWorker(device, parent), state_(state), config_(config)
{
}

CImagePreviewThread::~CImagePreviewThread()
{
    stopAndWait();
}

bool CImagePreviewThread::prepare()
{
    clearColumnResults();
    return true;
}

void CImagePreviewThread::cleanUp()
{
    g_PreviewSucFlag = 0;
    g_OptimumLineFlag = 0;
    g_isDeviceCommunicate = 1;
}

bool CImagePreviewThread::waitForSensorTest()
{
    while (!state_.testFinished) {
        if (stopRequested())
            return false;
        if (!g_bDevExist || !g_isDeviceCommunicate) {
            emit sendData(kAdjustDeviceLost);
            return false;
        }
        delay::wait(kSensorTestPollMs);
    }
    return true;
}

void CImagePreviewThread::run()
{
    const auto report = reporter();
    LevelingRun run(device_, state_, config_, stopFlag(), report);
    ImageAdjusting& adjusting = run.adjusting();
    const auto guard = [&run] { return run.guard(); };

    if (config_.TestSensor && state_.loadFlag) {
        state_.testFinished = 0;
        report(kAdjustRunSensorTest);
        if (!waitForSensorTest())
            return;
    }
    if (state_.loadFlag && !adjusting.LoadStoredOptics()) {
        guard();
        return;
    }
    for (;;) {
        if (!guard())
            return;
        if (!state_.searchDone) {
            const int outcome = adjusting.runSearch();
            if (outcome != ImageAdjusting::kSucceeded) {
                if (outcome != ImageAdjusting::kHalted)
                    report(outcome);
                return;
            }
            report(ImageAdjusting::kSucceeded);
            state_.frameValid = 1;
        }
        if (!guard())
            return;
        if (state_.loadFlag)
            report(kAdjustStoredValuesShown);
        bool guardStopped = false;
        const bool read = readPreviewFrame(device_, previewLineCount, [&] {
            guardStopped = !guard();
            return !guardStopped;
        });
        if (!read) {
            if (!guardStopped)
                report(kAdjustReadFailed);
            return;
        }
        if (!guard())
            return;
        state_.frames.publish(pFrameYA, pFrameYB);
        state_.frameReady = 1;
        report(kAdjustNewFrame);
    }
}
