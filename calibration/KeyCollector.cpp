#include "calibration/KeyCollector.h"

#include "app/AppContext.h"
#include "app/LogSink.h"
#include "calibration/CalibrationRunState.h"
#include "calibration/KeyChoice.h"

using namespace touch_extraction;

namespace {

constexpr uint8_t kKeyDescriptor = 0x80;

} // namespace

KeyCollector::KeyCollector(KeyCalibrationState& state,
                           const std::vector<shortcut_keys::KeyTarget>& targets, Hooks hooks)
    : state_(state), targets_(targets), hooks_(std::move(hooks)), left_(targets.size()),
      right_(targets.size())
{
    stepBacksSeen_ = state_.stepBacks();
}

capture::Request KeyCollector::requestFor(int index, uint8_t releaseFlag) const
{
    const shortcut_keys::KeyTarget& t = targets_[static_cast<size_t>(index)];
    capture::Request r{};
    r[0] = static_cast<uint8_t>(t.record[0] | kKeyDescriptor);
    for (size_t b = 1; b < t.record.size(); ++b)
        r[b] = t.record[b];
    r[6] = releaseFlag;
    return r;
}

int KeyCollector::query(const capture::Request& request, CandidateReport& report)
{
    const int result = hooks_.query(request, report);
    g_CalibrationProcessSuc = result == kQueryFailed ? 0 : 1;
    return result;
}

bool KeyCollector::cycle()
{
    if (targets_.empty())
        return true;
    switch (phase_) {
    case Phase::WarmUp:
        return warmUpCycle();
    case Phase::Steady:
        return steadyCycle();
    case Phase::Release:
        return releaseCycle();
    }
    return true;
}

bool KeyCollector::warmUpCycle()
{
    CandidateReport report;
    if (query(requestFor(0, capture::kReleaseFlagHeld), report) == kQueryFailed)
        return false;
    if (warmUp_ >= capture::kFirstLearningQuery)
        capture::learnBackground(backgrounds_, report);
    ++warmUp_;
    if (warmUp_ >= capture::kShowFirstTargetAfter)
        hooks_.show();
    if (warmUp_ == capture::kWarmUpQueries) {
        phase_ = Phase::Steady;
        steady_.restart();
    }
    return true;
}

void KeyCollector::logReport(int index, const CandidateReport& report) const
{
    LogSink& log = serviceLog();
    const int frames = g_WaitFrameCount;
    log.logf("KeyCalibIndex[%d](g_WaitFrameCount=%d): OneD_leftPoint-> %s\n", index, frames,
             formatPlain(report.left).c_str());
    log.logf("KeyCalibIndex[%d](g_WaitFrameCount=%d): OneD_rightPoint-> %s\n", index, frames,
             formatPlain(report.right).c_str());
}

bool KeyCollector::steadyCycle()
{
    const int index = state_.index;
    if (index < 0 || index >= static_cast<int>(targets_.size()))
        return true;
    CandidateReport report;
    const int result = query(requestFor(index, capture::kReleaseFlagHeld), report);
    if (result == kQueryFailed)
        return false;
    if (report.leftUsed() > 1 || report.rightUsed() > 1)
        logReport(index, report);

    std::unique_lock lock(state_.mutex());
    if (capture::movedMeanwhile(state_, index, stepBacksSeen_, steady_)) {
        lock.unlock();
        hooks_.show();
        return true;
    }
    const bool ready = steady_.feed(result, report, capture::steadyLength(g_WaitFrameCount));
    state_.steadyCount = steady_.count();
    bool accepted = false;
    if (ready) {
        accepted = evaluate(index);
        steady_.restart();
        state_.steadyCount = 0;
    }
    lock.unlock();
    hooks_.show();
    if (accepted && index + 1 < static_cast<int>(targets_.size())) {
        phase_ = Phase::Release;
        firstReleaseCycle_ = true;
    }
    return true;
}

bool KeyCollector::evaluate(int index)
{
    const int side = targets_[static_cast<size_t>(index)].side();
    const int cls = key_choice::columnClassOfSide(side);
    if (index % 3 != 0)
        calPoints_.clear();
    const FrameHistory& history = steady_.history();
    SideCandidates left = FalsePotDel(history.left);
    SideCandidates right = FalsePotDel(history.right);
    LogSink& log = serviceLog();
    log.logf("KeyCalibIndex[%d](After the sorting): leftPoint-> %s\n", index,
             formatPlain(left.cand).c_str());
    log.logf("KeyCalibIndex[%d](After the sorting): rightPoint-> %s\n", index,
             formatPlain(right.cand).c_str());
    const TouchCandidate l = key_choice::chooseKey(left.cand, left.count, cls, kLeftCamera);
    const TouchCandidate r = key_choice::chooseKey(right.cand, right.count, cls, kRightCamera);
    log.logf("KeyCalibIndex[%d](After the FalsePotDel): leftPoint-> %s\n", index,
             formatWithValid(left.cand).c_str());
    log.logf("KeyCalibIndex[%d](After the FalsePotDel): rightPoint-> %s\n", index,
             formatWithValid(right.cand).c_str());
    log.logf("KeyCalibIndex[%d](After the FalsePotDel): Choose_Point: [leftPoint]%d   "
             "[rightPoint]%d\n\n",
             index, l.position, r.position);
    if (!l.valid || !r.valid)
        return false;
    for (int i = 0; i < left.count; ++i)
        if (!left.cand[static_cast<size_t>(i)].valid)
            backgrounds_.left.mergeRaising(left.cand[static_cast<size_t>(i)]);
    for (int i = 0; i < right.count; ++i)
        if (!right.cand[static_cast<size_t>(i)].valid)
            backgrounds_.right.mergeRaising(right.cand[static_cast<size_t>(i)]);
    logBackgrounds();
    left_[static_cast<size_t>(index)] = l.position;
    right_[static_cast<size_t>(index)] = r.position;
    state_.index = index + 1;
    return true;
}

void KeyCollector::logBackgrounds() const
{
    LogSink& log = serviceLog();
    log.logf("(64 array)leftPointTotal = %d, rightPointTotal = %d\n", backgrounds_.left.count(),
             backgrounds_.right.count());
    for (int i = 0; i < backgrounds_.left.count(); ++i) {
        const TouchCandidate& e = backgrounds_.left.entry(i);
        log.logf("(64 array)leftPoint-> leftBefore[%d]: %d(%d,%d)\n", i, e.position, e.halfWidth,
                 e.depth);
    }
    for (int i = 0; i < backgrounds_.right.count(); ++i) {
        const TouchCandidate& e = backgrounds_.right.entry(i);
        log.logf("(64 array)rightPoint-> rightBefore[%d]: %d(%d,%d)\n", i, e.position, e.halfWidth,
                 e.depth);
    }
}

bool KeyCollector::releaseCycle()
{
    const int index = state_.index;
    if (state_.stepBacks() != stepBacksSeen_ || index <= 0 ||
        index >= static_cast<int>(targets_.size())) {
        stepBacksSeen_ = state_.stepBacks();
        phase_ = Phase::Steady;
        return true;
    }
    uint8_t flag = capture::kReleaseFlagHeld;
    if (!firstReleaseCycle_ && (lastReport_.leftCount != 0 || lastReport_.rightCount != 0)) {
        const int cls =
            key_choice::columnClassOfSide(targets_[static_cast<size_t>(index - 1)].side());
        CandidateList left = lastReport_.left;
        CandidateList right = lastReport_.right;
        const TouchCandidate l =
            key_choice::chooseKey(left, lastReport_.leftUsed(), cls, kLeftCamera);
        const TouchCandidate r =
            key_choice::chooseKey(right, lastReport_.rightUsed(), cls, kRightCamera);
        flag = l.valid && r.valid ? capture::kReleaseFlagHeld : capture::kReleaseFlagLifted;
    }
    firstReleaseCycle_ = false;
    const int result = query(requestFor(index, flag), lastReport_);
    if (result == kQueryFailed)
        return false;
    hooks_.show();
    if (result != kBothSides) {
        phase_ = Phase::Steady;
        steady_.restart();
    }
    return true;
}
