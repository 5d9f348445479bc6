#pragma once

#include "imaging/FrameHandover.h"

#include <atomic>

// What the image-adjusting window and its worker share. The window writes the search
// request, the save request and the test-finished flag; the worker writes the rest and
// tells the window through its signal.
struct AdjustScreenState {
    // 1 while the stored values are to be loaded and shown (the window clears it on 9).
    std::atomic<int> loadFlag{1};
    // 0 asks the running worker for a new image-adjusting search; the search sets it.
    std::atomic<int> searchDone{1};
    // A save the worker's step guard serves with SwitchMode(SaveMode), and its result.
    std::atomic<int> saveRequest{0};
    std::atomic<int> saveResult{0};
    // Set when the sensor data-cable test asked for with code 17 has run.
    std::atomic<int> testFinished{0};
    // 1 when the last sensor data-cable test found every data line good.
    std::atomic<int> testPassed{0};
    // The next paint takes the picture as the background profile (set after a search).
    std::atomic<int> frameValid{0};
    // A whole preview frame is in the buffers.
    std::atomic<int> frameReady{0};
    // That frame, for the window to paint.
    FrameHandover frames;
};

// The Save button's wait: asks for a save, then looks every 100 ms, at most 31 times,
// whether the worker has served it. The window steps it from a timer.
class SaveWait {
public:
    static constexpr int kSteps = 31;
    static constexpr double kStepMs = 100;
    static constexpr int kWaiting = -1;

    explicit SaveWait(AdjustScreenState& state);
    // After one more step: kWaiting, or 1 when the frame stored its values, 0 when it
    // refused or the worker did not serve the request in time (the request then stays
    // pending, for a later worker).
    int step();

private:
    AdjustScreenState& state_;
    int steps_ = 0;
};

// The same wait, blocking (for callers without an event loop).
int requestSave(AdjustScreenState& state);
