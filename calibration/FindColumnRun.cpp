#include "calibration/FindColumnRun.h"

#include "app/LogSink.h"
#include "calibration/CalibrationRunState.h"
#include "device/DeviceState.h"
#include "device/TouchPoints.h"
#include "imaging/DeviceSteps.h"
#include "imaging/OpticalParams.h"
#include "imaging/SearchState.h"

#include <algorithm>

using namespace touch_extraction;

namespace {

constexpr double kSettleMs = 1000;
constexpr uint8_t kTargetMode = 0;

} // namespace

std::array<FindColumnRun::Target, 2> FindColumnRun::targetsFor(int width, int height)
{
    return {Target{kCornerInset, height - kCornerInset},
            Target{width - kCornerInset, height - kCornerInset}};
}

uint16_t FindColumnRun::startColumnOf(const SideCandidates& side)
{
    int result = kDefaultStart;
    int best = 0;
    for (int i = 0; i < side.count && i < kSlots; ++i) {
        const TouchCandidate& c = side.cand[static_cast<size_t>(i)];
        if (c.position <= best || c.position > kNearStart)
            continue;
        best = c.position;
        result = (c.position - c.halfWidth) / 2 + 1;
        if (result == 1)
            result = c.position;
    }
    // A shadow wider than its distance from the sensor's start begins before column 0.
    return static_cast<uint16_t>(std::max(result, 0));
}

FindColumnRun::FindColumnRun(Device& device, FindColumnState& state, int width, int height,
                             Hooks hooks)
    : device_(device), state_(state), targets_(targetsFor(width, height)), hooks_(std::move(hooks))
{
}

bool FindColumnRun::probe()
{
    const int ok = device_steps::trigger(device_);
    g_CalDataInitSuc = ok;
    if (!ok)
        g_isDeviceCommunicate = 0;
    return ok != 0;
}

int FindColumnRun::query(int t, uint8_t releaseFlag, CandidateReport& report)
{
    const Target& target = targets_[static_cast<size_t>(t)];
    int sides = 0;
    const int result = GetTouchPoints(device_,
                                      capture::targetRequest(kTargetMode, static_cast<uint8_t>(t),
                                                             target.x, target.y, releaseFlag),
                                      report, sides);
    g_CalibrationProcessSuc = result == kQueryFailed ? 0 : 1;
    return result;
}

void FindColumnRun::run()
{
    hooks_.wait(kSettleMs);
    if (!probe()) {
        hooks_.report(kProbeFailed);
        return;
    }
    hooks_.report(kProgress);
    if (!g_bDevExist)
        return;
    while (state_.target < FindColumnState::kBothDone && g_bDevExist && !stopped()) {
        if (!collectCycle(state_.target))
            return;
    }
    if (state_.target != FindColumnState::kBothDone || !g_bDevExist || stopped())
        return;
    hooks_.report(kProgress);
    state_.bothDone = 1;
    hooks_.report(requestTables() ? kDone : kFailed);
}

bool FindColumnRun::collectCycle(int t)
{
    hooks_.report(kProgress);
    CandidateReport report;
    const int result = query(t, capture::kReleaseFlagHeld, report);
    if (result == kQueryFailed) {
        hooks_.report(kFailed);
        return false;
    }
    const bool steady = steady_.feed(result, report, capture::steadyLength(g_WaitFrameCount));
    state_.steadyCount = steady_.count();
    if (!steady)
        return true;
    takeCorner(t);
    return waitForRelease(t);
}

void FindColumnRun::takeCorner(int t)
{
    state_.target = t + 1;
    const FrameHistory history = steady_.history();
    steady_.restart();
    state_.steadyCount = 0;
    hooks_.report(kProgress);
    const SideCandidates left = FalsePotDel(history.left);
    const SideCandidates right = FalsePotDel(history.right);
    LogSink& log = serviceLog();
    log.logf("CalibIndex[%d](After the sorting): leftIndex-> %d   rightIndex-> %d \n", t + 1,
             left.count, right.count);
    log.logf("CalibIndex[%d](After the sorting): leftPoint-> %s\n", t + 1,
             formatPlain(left.cand).c_str());
    log.logf("CalibIndex[%d](After the sorting): rightPoint-> %s\n", t + 1,
             formatPlain(right.cand).c_str());
    if (t == 0) {
        Left_Start = startColumnOf(left);
        return;
    }
    Right_Start = startColumnOf(right);
    log.logf("Left_Start=%d, Right_Start=%d\n", Left_Start.load(), Right_Start.load());
    hooks_.report(kProgress);
}

bool FindColumnRun::waitForRelease(int t)
{
    // The finger is still on the corner just taken: the next corner starts once it lifts.
    while (g_bDevExist && !stopped()) {
        CandidateReport report;
        const int result = query(t, capture::kReleaseFlagLifted, report);
        if (result == kQueryFailed) {
            hooks_.report(kFailed);
            return false;
        }
        if (result != kBothSides)
            return true;
    }
    return true;
}

bool FindColumnRun::requestTables()
{
    struct SideColumns {
        Side side;
        uint16_t start;
        uint16_t end;
        const char* failure;
    };
    const SideColumns sides[] = {
        {Side::Master, std::min<uint16_t>(Left_Start, kLargestStart),
         std::max<uint16_t>(Left_End, kSmallestEnd),
         "CalibrationThread: Master Optimalize Line failed!\n"},
        {Side::Slave, std::min<uint16_t>(Right_Start, kLargestStart),
         std::max<uint16_t>(Right_End, kSmallestEnd),
         "CalibrationThread: Slave Optimalize Line failed!\n"},
    };
    for (const SideColumns& s : sides) {
        const int ok = device_steps::optimalizeLine(device_, s.side, s.start, s.end);
        opticalParams(s.side).startColumn = s.start;
        opticalParams(s.side).endColumn = s.end;
        if (!ok) {
            if (g_bDevExist && !stopped())
                serviceLog().log(s.failure);
            return false;
        }
    }
    return true;
}
