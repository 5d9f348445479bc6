#pragma once

#include "Device.h"
#include "FlashBlocks.h"

#include <QThread>

#include <atomic>

// What the engineering window and its preview worker share.
struct EngineeringPreviewState {
    std::atomic<int> previewSwitch{0}; // the window's preview button
    std::atomic<int> frameReady{0};    // a whole frame is in pFrameYA / pFrameYB
};

// The engineering edition's raw preview: loads the stored optical values (without
// judging the stored tables), then reads 8 lines of both cameras over and over while
// the preview switch is on. sendData(int): 10 a frame is ready, 11 the preview stopped
// because an image read failed or the frame was lost.
class PreviewThread : public QThread {
    Q_OBJECT
public:
    PreviewThread(Device& device, EngineeringPreviewState& state, QObject* parent = nullptr);
    ~PreviewThread() override;

    void startWorker();
    // Sets the stop flag; the caller then waits for the thread.
    void stopWorker() { stopFlag_ = 1; }
    bool stopRequested() const { return stopFlag_ != 0; }
    // The sensor information block read at the start (when the read succeeded).
    const SensorBlock& storedBlock() const { return block_; }

signals:
    void sendData(int code);

protected:
    void run() override;

private:
    void endPreview();

    Device& device_;
    EngineeringPreviewState& state_;
    std::atomic<int> stopFlag_{0};
    SensorBlock block_{};
};
