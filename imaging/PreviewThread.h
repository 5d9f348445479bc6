#pragma once

#include "device/Device.h"
#include "device/DeviceWorker.h"
#include "device/FlashBlocks.h"
#include "imaging/FrameHandover.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <vector>

// What the engineering window and its preview worker share.
struct EngineeringPreviewState {
    std::atomic<int> previewSwitch{0}; // the window's preview button
    std::atomic<int> frameReady{0};    // a whole frame is in pFrameYA / pFrameYB
    FrameHandover frames;              // that frame, for the window to paint
};

// The engineering edition's raw preview: loads the stored optical values (without
// judging the stored tables), then reads 8 lines of both cameras over and over while
// the preview switch is on, reporting with sendData(int).
//
// Other device accesses of the window (the register panel's) must not interleave with
// the image reads: while the preview runs they are handed to runAfterFrame() and run on
// this worker between two frames.
class PreviewThread : public DeviceWorker {
    Q_OBJECT
public:
    enum Code {
        kFrameReady = 10,     // a frame is in pFrameYA / pFrameYB
        kPreviewStopped = 11, // an image read failed or the frame was lost
    };
    // Pause after deferred accesses, before the next frame.
    static constexpr double kAfterAccessMs = 100;

    PreviewThread(Device& device, EngineeringPreviewState& state, QObject* parent = nullptr);
    ~PreviewThread() override;

    // Queues a device access to run on this worker right after the next whole frame (just
    // after code 10), followed by a pause of 100 ms. A non-zero result is sent as a code
    // of its own through sendData(int). Accesses still queued when the preview ends run
    // before the worker finishes while the frame is usable, else they are dropped.
    // False (nothing queued) when the worker is not started or has finished its queue.
    bool runAfterFrame(std::function<int()> access);
    // The sensor information block read at the start (when the read succeeded).
    const SensorBlock& storedBlock() const { return block_; }

protected:
    bool prepare() override;
    void run() override;

private:
    void endPreview();
    // Runs the queued accesses; true when there were any.
    bool runQueuedAccesses();

    EngineeringPreviewState& state_;
    SensorBlock block_{};
    std::mutex queueMutex_;
    bool accepting_ = false; // from the start until the queue's last run
    std::vector<std::function<int()>> queued_;
};
