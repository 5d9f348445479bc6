#include "calibration/TouchExtraction.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <utility>

namespace touch_extraction {

namespace {

constexpr int kRangeStart = 51;
constexpr int kRangeEnd = 1220; // one past the last position in range
constexpr int kCentralLow = 100;
constexpr int kCentralHigh = 1000;
constexpr int kMergeGap = 64;
constexpr int kFarSideLimit = 500;

size_t at(int i)
{
    return static_cast<size_t>(i);
}

TouchCandidate noChoice(const TouchCandidate& c)
{
    TouchCandidate r = c;
    r.valid = 0;
    return r;
}

// The first candidate (of those the filter admits) nearest the sensor centre; -1 if none.
int nearestCentre(const CandidateList& cand, int count, const std::function<bool(int)>& admits)
{
    int best = -1;
    for (int i = 0; i < count; ++i) {
        if (!admits(i))
            continue;
        if (best < 0 ||
            centreDistance(cand[at(i)].position) < centreDistance(cand[at(best)].position))
            best = i;
    }
    return best;
}

int validCount(const CandidateList& cand, int count)
{
    int m = 0;
    for (int i = 0; i < count; ++i)
        m += cand[at(i)].valid ? 1 : 0;
    return m;
}

int firstValid(const CandidateList& cand, int count)
{
    for (int i = 0; i < count; ++i)
        if (cand[at(i)].valid)
            return i;
    return -1;
}

// Valid candidates that fail keep() are rejected; gives how many stay valid.
int retainOnly(CandidateList& cand, int count, const std::function<bool(uint16_t)>& keep)
{
    for (int i = 0; i < count; ++i)
        if (cand[at(i)].valid && !keep(cand[at(i)].position))
            cand[at(i)].valid = 0;
    return validCount(cand, count);
}

enum class Neighbour { General, Ends, Chosen };

// The ordering rules between neighbouring targets (k in 1..15, at least two valid).
Neighbour neighbourRule(CandidateList& cand, int count, int side, const CalPoints& points, int k)
{
    const auto& table = points.of(side);
    const bool left = side == kLeftCamera;
    auto decided = [&](int retained, bool endsWhenNone) {
        if (retained == 1)
            return Neighbour::Chosen;
        if (retained == 0 && endsWhenNone)
            return Neighbour::Ends;
        return Neighbour::General;
    };
    if (k <= 3) {
        const CalSlot& ref = table[at(k - 1)];
        if (!ref.recorded)
            return Neighbour::General;
        return decided(
            retainOnly(cand, count,
                       [&](uint16_t p) { return left ? p > ref.position : p < ref.position; }),
            true);
    }
    if (k % 4 == 0) {
        const CalSlot& ref = table[at(k - 4)];
        if (!ref.recorded)
            return Neighbour::General;
        return decided(retainOnly(cand, count, [&](uint16_t p) { return p < ref.position; }), true);
    }
    const CalSlot& before = table[at(k - 1)];
    const CalSlot& above = table[at(k - 4)];
    if (left) {
        if (!before.recorded)
            return Neighbour::General;
        int retained = retainOnly(cand, count, [&](uint16_t p) { return p > before.position; });
        if (retained > 1 && above.recorded)
            retained = retainOnly(cand, count, [&](uint16_t p) { return p < above.position; });
        return decided(retained, false);
    }
    if (before.recorded)
        return decided(retainOnly(cand, count, [&](uint16_t p) { return p < before.position; }),
                       false);
    if (above.recorded)
        return decided(retainOnly(cand, count, [&](uint16_t p) { return p < above.position; }),
                       false);
    return Neighbour::General;
}

bool isCentral(int p)
{
    return p >= kCentralLow && p <= kCentralHigh;
}

// Two shadows of one finger close to its camera: their union's middle, when they look
// like the two halves of one shadow.
bool mergedPosition(const TouchCandidate& a, const TouchCandidate& b, uint16_t& merged)
{
    const int p0 = a.position, p1 = b.position;
    const int w0 = a.halfWidth, w1 = b.halfWidth;
    const int d0 = a.depth & 0xFF, d1 = b.depth & 0xFF;
    const auto gap = static_cast<int16_t>(p0 <= p1 ? (p1 - w1) - (p0 + w0) : (p0 - w0) - (p1 + w1));
    const int wMax = std::max(w0, w1), wMin = std::min(w0, w1);
    const int dMax = std::max(d0, d1), dMin = std::min(d0, d1);
    if (!(gap < kMergeGap && wMax < 3 * wMin && wMin >= 9 && dMax < 2 * dMin))
        return false;
    const int middle = p0 <= p1 ? ((p0 - w0) + (p1 + w1)) / 2 : ((p1 - w1) + (p0 + w0)) / 2;
    merged = static_cast<uint16_t>(std::clamp(middle, 0, 0xFFFF));
    return true;
}

} // namespace

void CalPoints::clearSlot(int k)
{
    if (k < 0 || k >= kTargets)
        return;
    LImg[at(k)] = {};
    RImg[at(k)] = {};
}

TouchCandidate* BackgroundList::find(uint16_t position)
{
    for (int i = 0; i < count_; ++i)
        if (entries_[at(i)].position == position)
            return &entries_[at(i)];
    return nullptr;
}

void BackgroundList::mergeRaising(const TouchCandidate& c)
{
    if (TouchCandidate* e = find(c.position)) {
        e->halfWidth = std::max(e->halfWidth, c.halfWidth);
        e->depth = std::max(e->depth, c.depth);
    } else if (count_ < kBackgroundSize) {
        entries_[at(count_++)] = c;
    }
}

void BackgroundList::mergeReplacing(const TouchCandidate& c)
{
    if (TouchCandidate* e = find(c.position)) {
        e->halfWidth = c.halfWidth;
        e->depth = c.depth;
    } else if (count_ < kBackgroundSize) {
        entries_[at(count_++)] = c;
    }
}

bool BackgroundList::matches(const TouchCandidate& c) const
{
    for (int i = 0; i < count_; ++i) {
        const TouchCandidate& e = entries_[at(i)];
        if (std::abs(c.position - e.position) <= 1 && std::abs(e.halfWidth - c.halfWidth) < 2)
            return true;
    }
    return false;
}

SideCandidates sideOf(const CandidateReport& report, int side)
{
    SideCandidates s;
    s.cand = side == kLeftCamera ? report.left : report.right;
    s.count = side == kLeftCamera ? report.leftUsed() : report.rightUsed();
    return s;
}

void FrameHistory::store(int slot, const CandidateReport& report)
{
    if (slot < 0 || slot >= kHistory)
        return;
    left[at(slot)] = sideOf(report, kLeftCamera);
    right[at(slot)] = sideOf(report, kRightCamera);
}

SideCandidates FalsePotDel(const std::array<SideCandidates, kHistory>& history)
{
    const SideCandidates& newest = history[kHistory - 1];
    SideCandidates out;
    out.count = std::clamp(newest.count, 0, kSlots);
    for (int i = 0; i < out.count; ++i) {
        const int p = newest.cand[at(i)].position;
        std::array<int, 3> seen{};
        std::array<uint16_t, 3> width{};
        std::array<uint16_t, 3> depth{};
        for (const SideCandidates& slot : history) {
            for (int c = 0; c < std::clamp(slot.count, 0, kSlots); ++c) {
                const TouchCandidate& t = slot.cand[at(c)];
                const int d = t.position - p;
                if (d < -1 || d > 1)
                    continue;
                const size_t o = at(d + 1);
                ++seen[o];
                width[o] = std::max(width[o], t.halfWidth);
                depth[o] = std::max(depth[o], t.depth);
            }
        }
        const int offset = seen[0] > seen[1] && seen[0] > seen[2] ? -1 : seen[1] > seen[2] ? 0 : 1;
        const size_t o = at(offset + 1);
        out.cand[at(i)] = {static_cast<uint16_t>(p + offset), width[o], depth[o], 0, 0};
    }
    for (int place = 0; place < out.count; ++place) {
        int widest = place;
        for (int q = place + 1; q < out.count; ++q)
            if (out.cand[at(q)].halfWidth > out.cand[at(widest)].halfWidth)
                widest = q;
        std::swap(out.cand[at(place)], out.cand[at(widest)]);
    }
    return out;
}

int centreDistance(uint16_t position)
{
    return std::abs(position / 2 - 320);
}

TouchCandidate Choose_Point(const BackgroundList& background, CandidateList& cand, int count,
                            int columnClass, int side, CalPoints& points, int k, bool check)
{
    const int n = std::clamp(count, 0, kSlots);
    auto& table = points.of(side);
    auto record = [&](const TouchCandidate& c) {
        if (!check && k >= 0 && k < kTargets)
            table[at(k)] = {c.position, 1};
    };
    auto accept = [&](int chosen) {
        for (int i = 0; i < n; ++i)
            cand[at(i)].valid = i == chosen ? 1 : 0;
        record(cand[at(chosen)]);
        return cand[at(chosen)];
    };

    // Range.
    int bound = kRangeEnd;
    if (!check && side == kLeftCamera && points.LImg[3].recorded)
        bound = points.LImg[3].position;
    if (!check && side == kRightCamera && points.RImg[0].recorded)
        bound = points.RImg[0].position;
    for (int i = 0; i < n; ++i) {
        const int p = cand[at(i)].position;
        cand[at(i)].valid = p >= kRangeStart && p < bound ? 1 : 0;
    }
    const int m = validCount(cand, n);

    if (m == 0) {
        const bool boundTarget =
            (side == kLeftCamera && k == 3) || (side == kRightCamera && k == 0);
        if (!check && n >= 1 && boundTarget) {
            cand[at(nearestCentre(cand, n, [](int) { return true; }))].valid = 1;
            return accept(firstValid(cand, n));
        }
        return noChoice(cand[0]);
    }
    if (m == 1)
        return accept(firstValid(cand, n));

    if (k >= 1 && k < kTargets) {
        switch (neighbourRule(cand, n, side, points, k)) {
        case Neighbour::Ends:
            return noChoice(cand[0]);
        case Neighbour::Chosen:
            return accept(firstValid(cand, n));
        case Neighbour::General:
            break;
        }
    }

    // General rule, on the candidates still valid.
    const int first = firstValid(cand, n);
    if (first < 0)
        return noChoice(cand[0]);
    int second = -1;
    for (int i = first + 1; i < n && second < 0; ++i)
        if (cand[at(i)].valid)
            second = i;
    if (second < 0)
        return cand[at(first)];
    TouchCandidate& a = cand[at(first)];
    const TouchCandidate& b = cand[at(second)];
    const bool central = isCentral(a.position) && isCentral(b.position);
    const bool mergeTarget = (k == 0 && side == kLeftCamera) || (k == 3 && side == kRightCamera);
    uint16_t merged = 0;
    if (mergeTarget && central && mergedPosition(a, b, merged)) {
        a.position = merged;
        return accept(first);
    }
    const int w0 = a.halfWidth, w1 = b.halfWidth;
    if (central && ((w0 >= 10 && w1 <= 3) || (w0 >= 3 * w1 && w1 >= 4)))
        return accept(first);

    // Fallback: nothing is recorded.
    const bool farSide =
        (side == kLeftCamera && columnClass == 1) || (side == kRightCamera && columnClass == 0);
    for (int i = 0; i < n; ++i) {
        TouchCandidate& c = cand[at(i)];
        if (!c.valid)
            continue;
        if ((farSide && c.position < kFarSideLimit) || background.matches(c))
            c.valid = 0;
    }
    const int nearest = nearestCentre(cand, n, [&](int i) { return cand[at(i)].valid != 0; });
    if (nearest < 0)
        return noChoice(cand[at(first)]); // every candidate rejected: no choice
    for (int i = 0; i < n; ++i)
        cand[at(i)].valid = i == nearest ? 1 : 0;
    return cand[at(nearest)];
}

std::string formatWithValid(const CandidateList& cand)
{
    char text[256];
    std::snprintf(text, sizeof text,
                  "[0]%d(%d,%d,%d)   [1]%d(%d,%d,%d)   [2]%d(%d,%d,%d)   [3]%d(%d,%d,%d)   "
                  "[4]%d(%d,%d,%d)",
                  cand[0].position, cand[0].halfWidth, cand[0].depth, cand[0].valid,
                  cand[1].position, cand[1].halfWidth, cand[1].depth, cand[1].valid,
                  cand[2].position, cand[2].halfWidth, cand[2].depth, cand[2].valid,
                  cand[3].position, cand[3].halfWidth, cand[3].depth, cand[3].valid,
                  cand[4].position, cand[4].halfWidth, cand[4].depth, cand[4].valid);
    return text;
}

std::string formatPlain(const CandidateList& cand)
{
    char text[256];
    std::snprintf(text, sizeof text,
                  "[0]%d(%d,%d)   [1]%d(%d,%d)   [2]%d(%d,%d)   [3]%d(%d,%d)   [4]%d(%d,%d)",
                  cand[0].position, cand[0].halfWidth, cand[0].depth, cand[1].position,
                  cand[1].halfWidth, cand[1].depth, cand[2].position, cand[2].halfWidth,
                  cand[2].depth, cand[3].position, cand[3].halfWidth, cand[3].depth,
                  cand[4].position, cand[4].halfWidth, cand[4].depth);
    return text;
}

} // namespace touch_extraction
