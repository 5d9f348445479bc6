#pragma once

#include "calibration/Solver16.h"

// The R search written the straightforward way, as the description reads: for every R,
// both cameras are fitted with all 16 tangents per shift and angle offset. It is the
// reference the fast Solve16 must match byte for byte, and the baseline of the solver
// benchmark.
CameraFit referenceFitCamera(const angle_table::Table& table, bool leftCamera,
                             const std::array<uint32_t, 16>& positions,
                             const std::array<fit_formulas::TargetPoint, 16>& targets, float R);
Solve16Result referenceSolve16(const SolveInputs& inputs);
