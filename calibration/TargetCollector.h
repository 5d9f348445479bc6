#pragma once

#include "calibration/CalibrationRunState.h"
#include "calibration/CaptureSteps.h"
#include "calibration/FitFormulas.h"

#include <functional>
#include <vector>

// Collects one sensor position per camera for every target of a calibration run: the
// warm-up with background learning, the steady touch, the evaluation with
// FalsePotDel and Choose_Point, the acceptance and the wait for the finger to lift.
// One call of cycle() is one touch query; the worker calls it while the run's index
// is below the target count.
class TargetCollector {
public:
    struct Hooks {
        // Sends the query; the result code of GetTouchPoints (3 = failed).
        std::function<int(const capture::Request&, CandidateReport&)> query;
        // Worker code 0: a target is to be shown (again).
        std::function<void()> showTarget = [] {};
        // After a target is accepted: keep its line images (target number n = index + 1);
        // false when reading them failed.
        std::function<bool(int n)> saveImages = [](int) { return true; };
        std::function<void(double ms)> pause = [](double) {};
    };

    enum class Step { Continue, QueryFailed, ImagesFailed };

    // targets: the run's targets in run order (16, or 4 for the fast run).
    TargetCollector(CalibrationRunState& state, bool fastRun,
                    std::vector<fit_formulas::TargetPoint> targets, Hooks hooks);

    Step cycle();

    const touch_extraction::Backgrounds& backgrounds() const { return backgrounds_; }

private:
    enum class Phase { WarmUp, Steady, Release };

    Step warmUpCycle();
    Step steadyCycle();
    Step releaseCycle();
    // Under the run's lock: FalsePotDel, Choose_Point, the log and, when both cameras
    // chose, the acceptance. True when the target was accepted.
    bool evaluate(int j);
    void logCalPoints(int k);
    capture::Request requestFor(int j, uint8_t releaseFlag) const;
    int choiceIndex(int j) const;
    int columnClass(int j) const;
    int query(const capture::Request& request, CandidateReport& report);

    CalibrationRunState& state_;
    bool fast_;
    std::vector<fit_formulas::TargetPoint> targets_;
    Hooks hooks_;
    Phase phase_ = Phase::WarmUp;
    touch_extraction::Backgrounds backgrounds_;
    capture::SteadyTouch steady_;
    uint64_t stepBacksSeen_ = 0;
    bool firstReleaseCycle_ = true;
    CandidateReport lastReport_;
};
