#include "calibration/TargetCollector.h"

#include "app/AppContext.h"
#include "app/LogSink.h"
#include "calibration/CalibrationTargets.h"

namespace ct = calibration_targets;
using namespace touch_extraction;

namespace {

constexpr double kPauseAfterAcceptMs = 200.0;
// The mode byte: the two per-target values a touch target carries are both 0.
constexpr uint8_t kTargetMode = 0;

} // namespace

TargetCollector::TargetCollector(CalibrationRunState& state, bool fastRun,
                                 std::vector<fit_formulas::TargetPoint> targets, Hooks hooks)
    : state_(state), fast_(fastRun), targets_(std::move(targets)), hooks_(std::move(hooks))
{
    stepBacksSeen_ = state_.stepBacks();
}

int TargetCollector::choiceIndex(int j) const
{
    return fast_ ? ct::fullIndexOfFast(j) : j;
}

int TargetCollector::columnClass(int j) const
{
    return fast_ ? ct::columnClassOfFast(j) : ct::columnClassOf(j);
}

capture::Request TargetCollector::requestFor(int j, uint8_t releaseFlag) const
{
    const fit_formulas::TargetPoint& t = targets_[static_cast<size_t>(j)];
    return capture::targetRequest(kTargetMode, static_cast<uint8_t>(j), t.x, t.y, releaseFlag);
}

int TargetCollector::query(const capture::Request& request, CandidateReport& report)
{
    const int result = hooks_.query(request, report);
    g_CalibrationProcessSuc = result == kQueryFailed ? 0 : 1;
    if (result != kQueryFailed) {
        state_.leftCount = report.leftCount;
        state_.rightCount = report.rightCount;
        state_.bothSidesSeen = result == kBothSides ? 1 : 0;
    }
    return result;
}

TargetCollector::Step TargetCollector::cycle()
{
    switch (phase_) {
    case Phase::WarmUp:
        return warmUpCycle();
    case Phase::Steady:
        return steadyCycle();
    case Phase::Release:
        return releaseCycle();
    }
    return Step::Continue;
}

TargetCollector::Step TargetCollector::warmUpCycle()
{
    CandidateReport report;
    if (query(requestFor(0, capture::kReleaseFlagHeld), report) == kQueryFailed)
        return Step::QueryFailed;
    const int done = state_.warmUpCount;
    if (done >= capture::kFirstLearningQuery)
        capture::learnBackground(backgrounds_, report);
    state_.warmUpCount = done + 1;
    if (done + 1 == capture::kShowFirstTargetAfter) {
        state_.shownTarget = 0;
        hooks_.showTarget();
    }
    if (done + 1 == capture::kWarmUpQueries) {
        phase_ = Phase::Steady;
        steady_.restart();
    }
    return Step::Continue;
}

TargetCollector::Step TargetCollector::steadyCycle()
{
    const int j = state_.index;
    if (j < 0 || j >= static_cast<int>(targets_.size()))
        return Step::Continue;
    CandidateReport report;
    const int result = query(requestFor(j, capture::kReleaseFlagHeld), report);
    if (result == kQueryFailed)
        return Step::QueryFailed;

    std::unique_lock lock(state_.mutex());
    if (capture::movedMeanwhile(state_, j, stepBacksSeen_, steady_)) {
        lock.unlock();
        hooks_.showTarget();
        return Step::Continue;
    }
    const bool ready = steady_.feed(result, report, capture::steadyLength(g_WaitFrameCount));
    state_.steadyCount = steady_.count();
    if (!ready)
        return Step::Continue;
    const bool accepted = evaluate(j);
    steady_.restart();
    state_.steadyCount = 0;
    lock.unlock();
    if (!accepted) {
        hooks_.showTarget();
        return Step::Continue;
    }
    if (!hooks_.saveImages(j + 1))
        return Step::ImagesFailed;
    hooks_.pause(kPauseAfterAcceptMs);
    hooks_.showTarget();
    if (j + 1 < static_cast<int>(targets_.size())) {
        phase_ = Phase::Release;
        firstReleaseCycle_ = true;
    }
    return Step::Continue;
}

bool TargetCollector::evaluate(int j)
{
    const int k = choiceIndex(j);
    const int cls = columnClass(j);
    const FrameHistory& history = steady_.history();
    SideCandidates left = FalsePotDel(history.left);
    SideCandidates right = FalsePotDel(history.right);
    CalPoints& points = state_.calPoints;
    const TouchCandidate l =
        Choose_Point(backgrounds_.left, left.cand, left.count, cls, kLeftCamera, points, k, false);
    const TouchCandidate r = Choose_Point(backgrounds_.right, right.cand, right.count, cls,
                                          kRightCamera, points, k, false);

    LogSink& log = serviceLog();
    log.logf("CalibIndex[%d](After the FalsePotDel): leftPoint-> %s\n", k,
             formatWithValid(left.cand).c_str());
    log.logf("CalibIndex[%d](After the FalsePotDel): rightPoint-> %s\n", k,
             formatWithValid(right.cand).c_str());
    log.logf("CalibIndex[%d](After the FalsePotDel): Choose_Point: [leftPoint]%d(%d)   "
             "[rightPoint]%d(%d)\n\n",
             k, l.position, l.valid, r.position, r.valid);

    if (!l.valid || !r.valid) {
        state_.leftValid = l.valid;
        state_.rightValid = r.valid;
        state_.accepted = 0;
        state_.rejected = 1;
        return false;
    }
    const int mirror = fast_ ? ct::mirroredFast(j) : ct::mirroredFull(j);
    state_.leftInputs[static_cast<size_t>(j)] = l.position;
    state_.rightInputs[static_cast<size_t>(mirror)] = r.position;
    for (int i = 0; i < left.count; ++i)
        if (!left.cand[static_cast<size_t>(i)].valid)
            backgrounds_.left.mergeReplacing(left.cand[static_cast<size_t>(i)]);
    for (int i = 0; i < right.count; ++i)
        if (!right.cand[static_cast<size_t>(i)].valid)
            backgrounds_.right.mergeReplacing(right.cand[static_cast<size_t>(i)]);
    if (k == ct::kFullCount - 1)
        logCalPoints(k);
    state_.accepted = 1;
    state_.rejected = 0;
    state_.index = j + 1;
    state_.shownTarget =
        j + 1 < static_cast<int>(targets_.size()) ? j + 1 : CalibrationRunState::kNoTarget;
    return true;
}

void TargetCollector::logCalPoints(int k)
{
    LogSink& log = serviceLog();
    const CalPoints& points = state_.calPoints;
    for (const char* name : {"LImg", "RImg"}) {
        const auto& table = name[0] == 'L' ? points.LImg : points.RImg;
        for (size_t row = 0; row < 4; ++row) {
            const CalSlot* s = &table[4 * row];
            log.logf("CalibIndex[%d] g_CalPoints.%s: [%zu]%d(%d), [%zu]%d(%d), [%zu]%d(%d), "
                     "[%zu]%d(%d)\n",
                     k, name, 4 * row, s[0].position, s[0].recorded, 4 * row + 1, s[1].position,
                     s[1].recorded, 4 * row + 2, s[2].position, s[2].recorded, 4 * row + 3,
                     s[3].position, s[3].recorded);
        }
        log.logRawf("\n");
    }
}

TargetCollector::Step TargetCollector::releaseCycle()
{
    const int j = state_.index;
    if (state_.stepBacks() != stepBacksSeen_) {
        stepBacksSeen_ = state_.stepBacks();
        phase_ = Phase::Steady;
        return Step::Continue;
    }
    if (j <= 0 || j >= static_cast<int>(targets_.size())) {
        phase_ = Phase::Steady;
        return Step::Continue;
    }
    uint8_t flag = capture::kReleaseFlagHeld;
    if (!firstReleaseCycle_) {
        std::lock_guard lock(state_.mutex());
        CandidateList left = lastReport_.left;
        CandidateList right = lastReport_.right;
        const int k = choiceIndex(j - 1);
        const int cls = columnClass(j - 1);
        const TouchCandidate l = Choose_Point(backgrounds_.left, left, lastReport_.leftUsed(), cls,
                                              kLeftCamera, state_.calPoints, k, true);
        const TouchCandidate r = Choose_Point(backgrounds_.right, right, lastReport_.rightUsed(),
                                              cls, kRightCamera, state_.calPoints, k, true);
        flag = l.valid && r.valid ? capture::kReleaseFlagHeld : capture::kReleaseFlagLifted;
    }
    firstReleaseCycle_ = false;
    const int result = query(requestFor(j, flag), lastReport_);
    if (result == kQueryFailed)
        return Step::QueryFailed;
    if (result != kBothSides) {
        phase_ = Phase::Steady;
        steady_.restart();
    }
    return Step::Continue;
}
