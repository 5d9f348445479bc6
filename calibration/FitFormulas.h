#pragma once

#include "calibration/CameraModel.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <utility>

// The arithmetic of one camera fit, written once so that every implementation of the
// search evaluates exactly the same expressions in the same order (the stored record
// must not depend on how the search is organised).
namespace fit_formulas {

constexpr int kPoints = 16;
constexpr int kShiftLimit = 100;
constexpr int kOffsetSteps = 101; // angle offsets -5.0 .. +5.0 degrees in 0.1 steps
constexpr int kRSteps = 151;      // R = 0.50 .. 2.00 in 0.01 steps
constexpr int kPairs = 4;
// The point pairs whose rays give the four estimates of the camera position.
constexpr std::array<std::pair<int, int>, kPairs> kPairIndexes = {
    {{3, 12}, {9, 15}, {2, 8}, {1, 4}}};

struct TargetPoint {
    int32_t x = 0;
    int32_t y = 0;
};

inline float xScaleOf(int r)
{
    return static_cast<float>(r) / 100.0f + 0.5f;
}

inline double angleOffsetOf(int j)
{
    return j / 10.0 - 5;
}

// Shifts searched: n - s0 for n = 0 .. s0 + s1.
struct ShiftRange {
    int s0 = 0;
    int s1 = 0;
};

inline ShiftRange shiftRangeOf(const angle_table::Table& table,
                               const std::array<uint32_t, kPoints>& positions)
{
    using camera_model::halfEntry;
    const double first = halfEntry(table, 0);
    const double last = halfEntry(table, angle_table::kEntries - 1);
    int s0 = static_cast<int>(std::trunc(static_cast<double>(positions[12] / 2) - first));
    int s1 = static_cast<int>(std::trunc(last - static_cast<double>(positions[3] / 2) - 1));
    if (s0 >= kShiftLimit)
        s0 = kShiftLimit;
    if (s1 >= kShiftLimit)
        s1 = kShiftLimit;
    return {s0, s1};
}

// Angle (without offset) of u inside the table; a u outside it keeps the angle it had.
inline double fitAngle(const angle_table::Table& table, double u, double previous)
{
    using camera_model::halfEntry;
    for (size_t k = 0; k + 1 < angle_table::kEntries; ++k) {
        const double lo = halfEntry(table, k);
        const double hi = halfEntry(table, k + 1);
        if (lo <= u && u <= hi)
            return (static_cast<double>(k) + (u - lo) / (hi - lo)) * angle_table::kStepDegrees;
    }
    return previous;
}

// The angle a point starts from: outside the table on the first shift it has no angle to
// keep, so it takes the extended end segment, as the triangulation does.
inline double firstAngleOf(const angle_table::Table& table, uint32_t position, int s0)
{
    return camera_model::angleOfPosition(table, position, -s0, 0.0);
}

inline double shiftedU(uint32_t position, int n, int s0)
{
    return position * 0.5 + n - s0;
}

inline double rayAngle(bool leftCamera, double angle, double offset)
{
    return leftCamera ? 90 - (angle + offset) : 90 + (angle + offset);
}

inline double slopeOf(double theta)
{
    return std::tan(theta * camera_model::kPi / 180);
}

inline double scaledX(int32_t x, float R)
{
    return static_cast<double>(x) * static_cast<double>(R);
}

inline double interceptOf(int32_t y, double xR, double m)
{
    return y - xR * m;
}

inline double estimateX(double bi, double bj, double slopeDifference)
{
    return (bj - bi) / slopeDifference;
}

inline double estimateY(double bi, double mi, double cx)
{
    return bi + mi * cx;
}

inline double meanOf(double a, double b, double c, double d)
{
    return (a + b + c + d) / 4;
}

inline double deviationOf(double mx, double my, double cx, double cy)
{
    return std::fabs(mx - cx) + std::fabs(my - cy);
}

inline double spreadOf(double d0, double d1, double d2, double d3)
{
    return d0 + d1 + d2 + d3;
}

// A combination replaces the best one when its spread is strictly smaller. A best
// spread that is not a number (rays that never meet) is replaced by any number.
inline bool improves(double spread, double best)
{
    return spread < best || (std::isnan(best) && !std::isnan(spread));
}

} // namespace fit_formulas
