#pragma once

#include "device/Device.h"
#include "device/DeviceWorker.h"
#include "imaging/AdjustScreenCodes.h"
#include "imaging/AdjustScreenState.h"
#include "imaging/LevelingConfig.h"

// The image-adjusting window's worker: loads and shows the stored optical values, runs
// the image-adjusting search when the window asks for it, and previews both cameras'
// line images. It talks to the window only through sendData(int) with the worker's
// AdjustScreenCode values (a new frame is in pFrameYA/pFrameYB at kAdjustNewFrame; at
// kAdjustRunSensorTest the window runs the data-cable test and answers by setting
// state.testFinished), and through the shared AdjustScreenState.
class CImagePreviewThread : public DeviceWorker {
    Q_OBJECT
public:
    CImagePreviewThread(Device& device, AdjustScreenState& state, const LevelingConfig& config,
                        QObject* parent = nullptr);
    ~CImagePreviewThread() override;

    // startWorker() clears the column results first. stopWorker() stops and waits for
    // the thread, then clears g_PreviewSucFlag and g_OptimumLineFlag and counts the
    // frame as communicating again (after the run, so that the run cannot set them
    // again).

protected:
    void run() override;
    bool prepare() override;
    void cleanUp() override;

private:
    // Waits for the window's sensor test (code 17); false when the worker must stop.
    bool waitForSensorTest();

    AdjustScreenState& state_;
    LevelingConfig config_;
};
