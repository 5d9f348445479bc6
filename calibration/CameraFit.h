#pragma once

#include "calibration/FitFormulas.h"

#include <array>
#include <cstddef>
#include <vector>

// The result of fitting one camera for one x-scale R.
struct CameraFit {
    double x = 0.0; // position in model space (x * R, y), screen pixels
    double y = 0.0;
    int32_t shift = 0;        // L_A
    double angleOffset = 0.0; // degrees
};

// One camera's measurements in that camera's own target order.
struct CameraFitInput {
    const angle_table::Table* table = &angle_table::kTableB;
    bool leftCamera = true;
    std::array<uint32_t, fit_formulas::kPoints> positions{};
    std::array<fit_formulas::TargetPoint, fit_formulas::kPoints> targets{};
};

// FitCamera for many values of R at once. Everything that does not depend on R (the
// shift range, every point's angle per shift and the ray slopes per shift and angle
// offset) is worked out once at construction, and only for the eight points that the
// four position estimates use. fit() then runs the search for a list of R values with
// the shifts in the outer loop, so one shift's slopes serve every R while they are in
// the cache. The results equal FitCamera's bit for bit.
class CameraFitter {
public:
    explicit CameraFitter(const CameraFitInput& input);

    // out[i] = the fit for scales[i].
    void fit(const float* scales, size_t count, CameraFit* out) const;

    int shiftCount() const { return shifts_; }

    static constexpr int kUsed = 2 * fit_formulas::kPairs;
    // Angle offsets padded to a whole number of vector lanes.
    static constexpr int kLanes = 104;

private:
    static size_t slopeRow(int n, int point)
    {
        return (static_cast<size_t>(n) * kUsed + static_cast<size_t>(point)) * kLanes;
    }
    static size_t differenceRow(int n, int pair)
    {
        return (static_cast<size_t>(n) * fit_formulas::kPairs + static_cast<size_t>(pair)) * kLanes;
    }
    const double* slopes(int n, int point) const { return &slopes_[slopeRow(n, point)]; }
    const double* differences(int n, int pair) const
    {
        return &differences_[differenceRow(n, pair)];
    }

    int s0_ = 0;
    int shifts_ = 0;
    std::array<int32_t, kUsed> x_{};
    std::array<int32_t, kUsed> y_{};
    std::vector<double> slopes_;      // [shift][used point][offset]
    std::vector<double> differences_; // [shift][pair][offset]: m_i - m_j
};
