#pragma once

#include "calibration/TouchExtraction.h"

#include <array>
#include <cstdint>

// The steps that collect a steady touch from the frame, shared by the calibration and
// the key-calibration workers.
namespace capture {

using Request = std::array<uint8_t, FrameCommands::kTouchPointsRequest>;

constexpr int kWarmUpQueries = 61;
constexpr int kFirstLearningQuery = 2; // from the third query on
constexpr int kShowFirstTargetAfter = 60;
constexpr uint8_t kReleaseFlagHeld = 0;
constexpr uint8_t kReleaseFlagLifted = 255;
constexpr int kShortestSteadyTouch = 20;
constexpr int kLongestSteadyTouch = 120;

// The touch query for a screen target: mode, index, x, y, release flag.
Request targetRequest(uint8_t mode, uint8_t index, int x, int y, uint8_t releaseFlag);

// Background learning of the warm-up: a report with candidates on exactly one side
// adds both sides' candidates to the lists (warm-up form).
void learnBackground(touch_extraction::Backgrounds& backgrounds, const CandidateReport& report);

// The steady-touch length, kept to what the history can hold.
int steadyLength(int waitFrameCount);

// Counting consecutive reports with candidates on both sides and keeping the last 20.
class SteadyTouch {
public:
    // Feeds one query result; true when the touch has been steady for length reports and
    // the history is ready to evaluate.
    bool feed(int result, const CandidateReport& report, int length);
    void restart() { count_ = 0; }
    int count() const { return count_; }
    const touch_extraction::FrameHistory& history() const { return history_; }

private:
    int count_ = 0;
    touch_extraction::FrameHistory history_;
};

// For a report the worker asked for target `asked`, under the run's lock: when the
// window stepped back (or the index moved) while the query ran, the report belongs to
// no target and the steady count starts over. True then. seen is the worker's count of
// the run's step-backs.
template <typename Run>
bool movedMeanwhile(Run& run, int asked, uint64_t& seen, SteadyTouch& steady)
{
    if (run.stepBacks() == seen && run.index == asked)
        return false;
    seen = run.stepBacks();
    steady.restart();
    run.steadyCount = 0;
    return true;
}

} // namespace capture
