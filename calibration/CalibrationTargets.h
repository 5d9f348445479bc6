#pragma once

#include "calibration/FitFormulas.h"

#include <array>
#include <cstdint>

// Where the targets of the two calibration runs lie, and how each camera orders them.
namespace calibration_targets {

constexpr int kFullCount = 16;
constexpr int kFastCount = 4;

using fit_formulas::TargetPoint;

// 4 x 4 grid, row-major: x = col * W * 7/24 + W/16, y = row * H * 5/16 + H/32.
std::array<TargetPoint, kFullCount> fullTargets(int width, int height);
// Top-left, top-right, bottom-left, bottom-right: x = W/16 or W * 7/8 + W/16,
// y = H/32 or H * 15/16 + H/32.
std::array<TargetPoint, kFastCount> fastTargets(int width, int height);

// The right camera sees each row reversed: its point i is target mirrored(i).
constexpr int mirroredFull(int i)
{
    return (i / 4) * 4 + 3 - i % 4;
}
constexpr int mirroredFast(int j)
{
    return (j / 2) * 2 + 1 - j % 2;
}
template <size_t N>
std::array<TargetPoint, N> mirrored(const std::array<TargetPoint, N>& targets)
{
    std::array<TargetPoint, N> out{};
    for (size_t i = 0; i < N; ++i)
        out[i] = targets[static_cast<size_t>(N == kFullCount ? mirroredFull(static_cast<int>(i))
                                                             : mirroredFast(static_cast<int>(i)))];
    return out;
}

// The 16-point index the candidate choice uses for a target of the fast run.
constexpr int fullIndexOfFast(int j)
{
    constexpr int kIndex[kFastCount] = {0, 3, 12, 15};
    return kIndex[j];
}

// Column class of a 16-point target: 0 left column, 1 right column, 2 inner.
constexpr int columnClassOf(int k)
{
    return k % 4 == 0 ? 0 : k % 4 == 3 ? 1 : 2;
}
constexpr int columnClassOfFast(int j)
{
    return j % 2 == 0 ? 0 : 1;
}

} // namespace calibration_targets
