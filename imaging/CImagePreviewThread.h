#pragma once

#include "AdjustScreenState.h"
#include "Device.h"
#include "LevelingConfig.h"

#include <QThread>

#include <atomic>

// The image-adjusting window's worker: loads and shows the stored optical values, runs
// the image-adjusting search when the window asks for it, and previews both cameras'
// line images. It talks to the window only through sendData(int):
//   0 new frame in pFrameYA/pFrameYB   1 start-line search failed   3 start line not
//   configured   4 search done   6 frame lost   7 optimum lines failed   8 column search
//   or image read failed   9 stored values loaded   14 exposure failed   15 evaluating
//   17 run the sensor data-cable test now (answer by setting state.testFinished)
// and through the shared AdjustScreenState.
class CImagePreviewThread : public QThread {
    Q_OBJECT
public:
    CImagePreviewThread(Device& device, AdjustScreenState& state, const LevelingConfig& config,
                        QObject* parent = nullptr);
    ~CImagePreviewThread() override;

    // Clears the column results and the stop flag, and starts with the creator's priority.
    void startWorker();
    // Sets the stop flag, clears g_PreviewSucFlag and g_OptimumLineFlag and counts the
    // frame as communicating again. The caller then waits for the thread.
    void stopWorker();
    bool stopRequested() const { return stopFlag_ != 0; }

signals:
    void sendData(int code);

protected:
    void run() override;

private:
    // Waits for the window's sensor test (code 17); false when the worker must stop.
    bool waitForSensorTest();

    Device& device_;
    AdjustScreenState& state_;
    LevelingConfig config_;
    std::atomic<int> stopFlag_{0};
};
