#include "calibration/CaptureSteps.h"

#include "device/ByteOrder.h"

#include <algorithm>

namespace capture {

using namespace touch_extraction;

Request targetRequest(uint8_t mode, uint8_t index, int x, int y, uint8_t releaseFlag)
{
    Request r{};
    r[0] = mode;
    r[1] = index;
    le::put16(r.data() + 2, static_cast<uint16_t>(std::clamp(x, 0, 0xFFFF)));
    le::put16(r.data() + 4, static_cast<uint16_t>(std::clamp(y, 0, 0xFFFF)));
    r[6] = releaseFlag;
    return r;
}

void learnBackground(Backgrounds& backgrounds, const CandidateReport& report)
{
    const bool left = report.leftCount != 0;
    const bool right = report.rightCount != 0;
    if (left == right)
        return;
    for (int side : {kLeftCamera, kRightCamera}) {
        const SideCandidates s = sideOf(report, side);
        for (int i = 0; i < s.count; ++i)
            backgrounds.of(side).mergeRaising(s.cand[static_cast<size_t>(i)]);
    }
}

int steadyLength(int waitFrameCount)
{
    return std::clamp(waitFrameCount, kShortestSteadyTouch, kLongestSteadyTouch);
}

bool SteadyTouch::feed(int result, const CandidateReport& report, int length)
{
    if (result != kBothSides) {
        count_ = 0;
        return false;
    }
    if (count_ == 0)
        history_.clear();
    ++count_;
    if (count_ > length - kHistory)
        history_.store(count_ - length + kHistory - 1, report);
    return count_ == length;
}

} // namespace capture
