#pragma once

#include "calibration/SteppedRun.h"
#include "calibration/TouchExtraction.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>

class SettingsFile;

// The device accepted the run's initialisation; the last touch query was answered.
extern std::atomic<int> g_CalDataInitSuc;
extern std::atomic<int> g_CalibrationProcessSuc;
// Reports a touch must stay steady before its target is evaluated (20..120).
extern std::atomic<int> g_WaitFrameCount;

// Vireto_Config/CalibTime (default 40), clamped to 20..120, into g_WaitFrameCount.
int readWaitFrameCount(const SettingsFile& settings);

// Puts every process-wide value of calibration back as at program start: the flags
// above, the calibration run (of 16 points) and the key calibration.
void resetCalibrationState();

// The state of a calibration run, shared by the worker (which collects and computes)
// and the window (which draws it and steps back). The counters and flags are atomics
// the window may read at any time; the positions fixed so far and the per-target
// inputs are changed by both sides and guarded by mutex().
class CalibrationRunState : public SteppedRun {
public:
    static constexpr int kNoTarget = -1;
    static constexpr int kFullTargets = 16;
    static constexpr int kFastTargets = 4;

    std::atomic<int> fastMode{0}; // run type: 1 = 4-point run
    // Current target; the target count means compute, one more means store.
    std::atomic<int> index{0};
    std::atomic<int> warmUpCount{0};
    std::atomic<int> steadyCount{0};
    std::atomic<int> progress{0};            // percent, while computing and storing
    std::atomic<int> shownTarget{kNoTarget}; // target to draw
    std::atomic<int> accepted{0};            // the drawing marks the last target done
    std::atomic<int> rejected{0};            // the last evaluation of this target was rejected
    std::atomic<int> leftValid{0};           // its choice flags
    std::atomic<int> rightValid{0};
    std::atomic<int> leftCount{0}; // candidates of the last report
    std::atomic<int> rightCount{0};
    std::atomic<int> bothSidesSeen{0}; // the last report had candidates on both sides

    // Guarded by mutex().
    touch_extraction::CalPoints calPoints;
    std::array<uint32_t, kFullTargets> leftInputs{};  // PL, in the left camera's order
    std::array<uint32_t, kFullTargets> rightInputs{}; // PR, in the right camera's order

    int targetCount() const { return fastMode ? kFastTargets : kFullTargets; }

    // Start of a run: everything cleared except the run type.
    void reset();
    // Stepping back one target (the window's Reset): while a target is being collected
    // and the index is above 0, clears the current target's slots of g_CalPoints, marks
    // the drawing and moves the index back. Refused (false) at index 0 and once the run
    // computes or stores. Serialised with the worker's evaluation by mutex().
    bool stepBack();
};

// The process's run state, shared by the calibration window and its workers.
CalibrationRunState& calibrationRunState();
