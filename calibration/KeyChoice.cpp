#include "calibration/KeyChoice.h"

#include <algorithm>

namespace key_choice {

using namespace touch_extraction;

namespace {

constexpr int kNearLast = 900;
constexpr int kFarFirst = 600;
constexpr int kFarLast = 1220;
constexpr int kCloseToCamera = 201;
constexpr int kWideShadow = 10;

size_t at(int i)
{
    return static_cast<size_t>(i);
}

} // namespace

int columnClassOfSide(int sideCode)
{
    return sideCode == 1 ? 0 : sideCode == 2 ? 1 : 2;
}

TouchCandidate chooseKey(CandidateList& cand, int count, int columnClass, int side)
{
    const int n = std::clamp(count, 0, kSlots);
    const bool near = (columnClass == 0) == (side == kLeftCamera);
    int valid = 0;
    for (int i = 0; i < n; ++i) {
        const int p = cand[at(i)].position;
        const bool inRange = near ? p <= kNearLast : p >= kFarFirst && p <= kFarLast;
        cand[at(i)].valid = inRange ? 1 : 0;
        valid += inRange ? 1 : 0;
    }
    auto choose = [&](int chosen) {
        for (int i = 0; i < n; ++i)
            cand[at(i)].valid = i == chosen ? 1 : 0;
        return cand[at(chosen)];
    };
    if (valid == 0) {
        TouchCandidate none = cand[0];
        none.valid = 0;
        return none;
    }
    int chosen = -1;
    int below = 0;
    for (int i = 0; i < n; ++i) {
        const TouchCandidate& c = cand[at(i)];
        if (!c.valid || c.position >= kCloseToCamera)
            continue;
        ++below;
        if (chosen < 0 || c.position > cand[at(chosen)].position)
            chosen = i;
    }
    if (valid == 1 || below >= 2) {
        if (valid == 1)
            for (int i = 0; i < n; ++i)
                if (cand[at(i)].valid)
                    chosen = i;
        return choose(chosen);
    }
    chosen = -1;
    for (int i = 0; i < n; ++i)
        if (cand[at(i)].valid &&
            (chosen < 0 || cand[at(i)].halfWidth >= cand[at(chosen)].halfWidth))
            chosen = i;
    if (cand[at(chosen)].halfWidth >= kWideShadow)
        return choose(chosen);
    chosen = -1;
    for (int i = 0; i < n; ++i)
        if (cand[at(i)].valid && (chosen < 0 || centreDistance(cand[at(i)].position) <
                                                    centreDistance(cand[at(chosen)].position)))
            chosen = i;
    return choose(chosen);
}

} // namespace key_choice
