#pragma once

#include "device/Device.h"
#include "imaging/AdjustScreenState.h"
#include "imaging/ImageAdjusting.h"
#include "imaging/LevelingConfig.h"
#include "imaging/StepGuard.h"

#include <atomic>
#include <functional>

// One image-adjusting run as the window's worker and the command-line tool both run
// it: the step guard between device accesses (stop flag, lost frame, pending save),
// the control of the line reads, and the image-adjusting operations on the frame.
// config and state must outlive the run.
class LevelingRun {
public:
    LevelingRun(Device& device, AdjustScreenState& state, const LevelingConfig& config,
                const std::atomic<int>& stop, std::function<void(int)> report);

    // Before a device access: false when the run must end (reported through report).
    bool guard() { return guard_(); }
    ImageAdjusting& adjusting() { return adjusting_; }

    // What a new search starts from: no column results, both sides qualified.
    static void clearResults();

private:
    StepGuard guard_;
    ReadControl control_;
    ImageAdjusting adjusting_;
};
