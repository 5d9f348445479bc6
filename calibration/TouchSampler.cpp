#include "calibration/TouchSampler.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

using namespace touch_extraction;

namespace {

constexpr int kSteadyReports = 20;
constexpr int kMergeGap = 64;

} // namespace

bool TouchSampler::learnBackground(int x, int y)
{
    queryFailed_ = false;
    for (int q = 0; q < capture::kWarmUpQueries; ++q) {
        CandidateReport report;
        int sides = 0;
        if (GetTouchPoints(device_, capture::targetRequest(0, 0, x, y, 0), report, sides) ==
            kQueryFailed) {
            queryFailed_ = true;
            return false;
        }
        if (q >= capture::kFirstLearningQuery)
            capture::learnBackground(backgrounds_, report);
    }
    return true;
}

std::optional<uint16_t> TouchSampler::fingerOf(int side, const SideCandidates& c) const
{
    std::vector<TouchCandidate> finger;
    for (int i = 0; i < c.count; ++i)
        if (!backgrounds_.of(side).matches(c.cand[static_cast<size_t>(i)]))
            finger.push_back(c.cand[static_cast<size_t>(i)]);
    if (finger.empty())
        return std::nullopt;
    if (finger.size() >= 2) {
        // Sorted widest first: two halves of similar width close together are one shadow.
        const TouchCandidate& a = finger[0];
        const TouchCandidate& b = finger[1];
        const TouchCandidate& lo = a.position <= b.position ? a : b;
        const TouchCandidate& hi = a.position <= b.position ? b : a;
        const int gap = (hi.position - hi.halfWidth) - (lo.position + lo.halfWidth);
        const int wMax = std::max(a.halfWidth, b.halfWidth);
        const int wMin = std::min(a.halfWidth, b.halfWidth);
        if (gap < kMergeGap && wMax < 3 * wMin && wMin >= 9)
            return static_cast<uint16_t>(
                ((lo.position - lo.halfWidth) + (hi.position + hi.halfWidth)) / 2);
    }
    return finger[0].position;
}

std::optional<TouchSampler::Positions> TouchSampler::sample(uint8_t index, int x, int y,
                                                            int maxQueries)
{
    capture::SteadyTouch steady;
    queryFailed_ = false;
    for (int q = 0; q < maxQueries; ++q) {
        if (stop_ && stop_())
            return std::nullopt;
        CandidateReport report;
        int sides = 0;
        const int result =
            GetTouchPoints(device_, capture::targetRequest(0, index, x, y, 0), report, sides);
        if (result == kQueryFailed) {
            queryFailed_ = true;
            return std::nullopt;
        }
        if (!steady.feed(result, report, kSteadyReports))
            continue;
        const std::optional<uint16_t> left =
            fingerOf(kLeftCamera, FalsePotDel(steady.history().left));
        const std::optional<uint16_t> right =
            fingerOf(kRightCamera, FalsePotDel(steady.history().right));
        steady.restart();
        if (left && right)
            return Positions{*left, *right};
    }
    return std::nullopt;
}
