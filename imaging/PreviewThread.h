#pragma once

#include "device/Device.h"
#include "device/FlashBlocks.h"
#include "device/WorkerThread.h"

#include <atomic>

// What the engineering window and its preview worker share.
struct EngineeringPreviewState {
    std::atomic<int> previewSwitch{0}; // the window's preview button
    std::atomic<int> frameReady{0};    // a whole frame is in pFrameYA / pFrameYB
};

// The engineering edition's raw preview: loads the stored optical values (without
// judging the stored tables), then reads 8 lines of both cameras over and over while
// the preview switch is on, reporting with sendData(int).
class PreviewThread : public WorkerThread {
    Q_OBJECT
public:
    enum Code {
        kFrameReady = 10,     // a frame is in pFrameYA / pFrameYB
        kPreviewStopped = 11, // an image read failed or the frame was lost
    };

    PreviewThread(Device& device, EngineeringPreviewState& state, QObject* parent = nullptr);
    ~PreviewThread() override;

    void stopWorker() { stopAndWait(); }
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
    SensorBlock block_{};
};
