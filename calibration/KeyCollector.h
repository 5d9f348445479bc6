#pragma once

#include "calibration/CaptureSteps.h"
#include "calibration/KeyCalibrationState.h"
#include "calibration/KeyLayout.h"

#include <functional>
#include <vector>

// Collects one sensor position per camera for every corner of the key calibration: the
// warm-up with background learning, the steady touch (the window repaints on every
// query), FalsePotDel, the key choice, the acceptance and the wait for the finger to
// lift. One call of cycle() is one touch query.
class KeyCollector {
public:
    struct Hooks {
        std::function<int(const capture::Request&, CandidateReport&)> query;
        std::function<void()> show = [] {}; // worker code 0
    };

    KeyCollector(KeyCalibrationState& state, const std::vector<shortcut_keys::KeyTarget>& targets,
                 Hooks hooks);

    // false: the query failed.
    bool cycle();

    // The chosen positions of each target (left and right camera).
    const std::vector<uint32_t>& leftPositions() const { return left_; }
    const std::vector<uint32_t>& rightPositions() const { return right_; }
    const touch_extraction::Backgrounds& backgrounds() const { return backgrounds_; }

private:
    enum class Phase { WarmUp, Steady, Release };

    bool warmUpCycle();
    bool steadyCycle();
    bool releaseCycle();
    bool evaluate(int index);
    void logReport(int index, const CandidateReport& report) const;
    void logBackgrounds() const;
    capture::Request requestFor(int index, uint8_t releaseFlag) const;
    int query(const capture::Request& request, CandidateReport& report);

    KeyCalibrationState& state_;
    const std::vector<shortcut_keys::KeyTarget>& targets_;
    Hooks hooks_;
    Phase phase_ = Phase::WarmUp;
    int warmUp_ = 0;
    touch_extraction::Backgrounds backgrounds_;
    touch_extraction::CalPoints calPoints_;
    capture::SteadyTouch steady_;
    uint64_t stepBacksSeen_ = 0;
    bool firstReleaseCycle_ = true;
    CandidateReport lastReport_;
    std::vector<uint32_t> left_;
    std::vector<uint32_t> right_;
};
