#pragma once

#include "device/TouchPoints.h"

#include <array>
#include <cstdint>
#include <string>

// Turning the frame's shadow candidates into one sensor position per camera for the
// target on the screen: the background list, the 20-report history, the consolidation
// over it (FalsePotDel) and the choice of one candidate (Choose_Point).
namespace touch_extraction {

constexpr int kSlots = CandidateReport::kSlots;
constexpr int kHistory = 20;
constexpr int kBackgroundSize = 64;
constexpr int kTargets = 16;

enum CameraSide { kLeftCamera = 0, kRightCamera = 1 };

using CandidateList = std::array<TouchCandidate, kSlots>;

// One side's candidates and how many of them are used (at most five).
struct SideCandidates {
    CandidateList cand{};
    int count = 0;
};

// One slot of g_CalPoints: a position fixed for a target.
struct CalSlot {
    uint16_t position = 0;
    uint8_t recorded = 0;
};

// g_CalPoints: per camera one slot per target index.
struct CalPoints {
    std::array<CalSlot, kTargets> LImg{};
    std::array<CalSlot, kTargets> RImg{};

    std::array<CalSlot, kTargets>& of(int side) { return side == kLeftCamera ? LImg : RImg; }
    const std::array<CalSlot, kTargets>& of(int side) const
    {
        return side == kLeftCamera ? LImg : RImg;
    }
    void clear() { *this = CalPoints{}; }
    void clearSlot(int k);
};

// Shadows that are not the finger, learned while a run goes on. An entry is known by
// its exact position; a full list drops further new entries.
class BackgroundList {
public:
    int count() const { return count_; }
    const TouchCandidate& entry(int i) const { return entries_[static_cast<size_t>(i)]; }
    void clear() { count_ = 0; }

    // Warm-up form: an entry at the same position keeps the larger halfWidth and depth;
    // otherwise the candidate is appended.
    void mergeRaising(const TouchCandidate& c);
    // Acceptance form: an entry at the same position takes the candidate's values.
    void mergeReplacing(const TouchCandidate& c);
    // Within one pixel of an entry whose half-width differs by less than 2.
    bool matches(const TouchCandidate& c) const;

private:
    TouchCandidate* find(uint16_t position);

    std::array<TouchCandidate, kBackgroundSize> entries_{};
    int count_ = 0;
};

struct Backgrounds {
    BackgroundList left;
    BackgroundList right;
    BackgroundList& of(int side) { return side == kLeftCamera ? left : right; }
    const BackgroundList& of(int side) const { return side == kLeftCamera ? left : right; }
    void clear()
    {
        left.clear();
        right.clear();
    }
};

// The candidates of a report's side, the count capped at five.
SideCandidates sideOf(const CandidateReport& report, int side);

// The last 20 reports of a steady touch; slot 19 is the newest.
struct FrameHistory {
    std::array<SideCandidates, kHistory> left{};
    std::array<SideCandidates, kHistory> right{};

    void clear() { *this = FrameHistory{}; }
    void store(int slot, const CandidateReport& report);
    const std::array<SideCandidates, kHistory>& of(int side) const
    {
        return side == kLeftCamera ? left : right;
    }
};

// Consolidates every candidate of the newest slot over the 20 slots (position -1, 0 or
// +1 by how often each was seen, the largest halfWidth and depth seen there), then
// sorts them by halfWidth, largest first. The count is the newest slot's.
SideCandidates FalsePotDel(const std::array<SideCandidates, kHistory>& history);

// Chooses one candidate of a side for target k. The result's valid byte says whether a
// choice was made; cand's valid bytes say which candidates ended rejected. With check
// set (the release wait) nothing is recorded in points and the recorded bound is not
// applied. columnClass: 0 left column, 1 right column, 2 inner.
TouchCandidate Choose_Point(const BackgroundList& background, CandidateList& cand, int count,
                            int columnClass, int side, CalPoints& points, int k, bool check);

// |position / 2 - 320| with the fraction of the halving dropped: distance from the
// sensor centre in pixels.
int centreDistance(uint16_t position);

// "[0]%d(%d,%d,%d)   [1]..." over the five slots: position(halfWidth,depth,valid).
std::string formatWithValid(const CandidateList& cand);
// "[0]%d(%d,%d)   [1]..." over the five slots: position(halfWidth,depth).
std::string formatPlain(const CandidateList& cand);

} // namespace touch_extraction
