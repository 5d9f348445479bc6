#pragma once

#include "device/Device.h"
#include "imaging/AdjustScreenState.h"
#include "imaging/LineImages.h"

#include <atomic>
#include <functional>

// What the image-adjusting worker runs between device accesses: false when it must stop
// (its stop flag, or a lost frame, reported with code 6); on the way it serves a pending
// save request with SwitchMode(SaveMode).
class StepGuard {
public:
    StepGuard(Device& device, AdjustScreenState& state, const std::atomic<int>& stopFlag,
              std::function<void(int)> report);
    bool operator()();

private:
    Device& device_;
    AdjustScreenState& state_;
    const std::atomic<int>& stopFlag_;
    std::function<void(int)> report_;
};

// The steps of one operation under a step guard. Once the guard said no, every further
// step is refused without asking it again, so its code is reported once.
class GuardedSteps {
public:
    explicit GuardedSteps(const ReadControl& control) : control_(control) {}

    // Before a device access: false ends the operation.
    bool next();
    // After an operation failed on its own: its failure may be reported when the guard
    // still passes.
    bool mayReport() { return next(); }
    bool halted() const { return halted_; }
    bool stopRequested() const { return control_.stopRequested(); }
    void report(int code) const { control_.report(code); }
    // The control for a read that runs the guard itself (the edge samples).
    ReadControl forRead();

private:
    const ReadControl& control_;
    bool halted_ = false;
};
