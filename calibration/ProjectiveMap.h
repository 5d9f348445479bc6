#pragma once

#include "calibration/CalibrationRecord.h"

#include <array>
#include <optional>

// The projective map that takes four measured points onto four screen points:
// X = (h0 x + h1 y + h2) / (h6 x + h7 y + 1), Y = (h3 x + h4 y + h5) / (h6 x + h7 y + 1).
namespace projective {

using Matrix8 = std::array<std::array<double, 8>, 8>;
using Coefficients = std::array<double, 8>;

// A pivot smaller than this (or not a number) makes the inversion fail.
constexpr double kSmallestPivot = 1e-10;

// Gauss-Jordan inversion in place with full pivoting; false when the matrix is singular.
bool invertFullPivot(Matrix8& a);

// The coefficients for four point pairs (from[j] -> to[j]); nothing when the four points
// do not determine a map (three on a line, two equal, ...).
std::optional<Coefficients> solve(const std::array<Point16, 4>& from,
                                  const std::array<Point16, 4>& to);

// Stored form trunc(h * 1048576 + 0.5); nothing when a coefficient does not fit 32 bits.
std::optional<CalibrationRecord::Map> toFixed(const Coefficients& h);

// A stored map applied to a point.
struct Mapped {
    double x = 0;
    double y = 0;
};
Mapped apply(const CalibrationRecord::Map& map, double x, double y);

} // namespace projective
