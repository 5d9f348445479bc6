#include "calibration/CalibrationTargets.h"

namespace calibration_targets {

std::array<TargetPoint, kFullCount> fullTargets(int width, int height)
{
    std::array<TargetPoint, kFullCount> t{};
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 4; ++col) {
            const double x = col * width * 7.0 / 24.0 + width / 16.0;
            const double y = row * height * 5.0 / 16.0 + height / 32.0;
            t[static_cast<size_t>(4 * row + col)] = {static_cast<int32_t>(x),
                                                     static_cast<int32_t>(y)};
        }
    }
    return t;
}

// The fast run's targets are the corners of the full grid (7/8 = 3 * 7/24 and
// 15/16 = 3 * 5/16, so the same values to the last bit).
std::array<TargetPoint, kFastCount> fastTargets(int width, int height)
{
    const std::array<TargetPoint, kFullCount> full = fullTargets(width, height);
    std::array<TargetPoint, kFastCount> t{};
    for (int j = 0; j < kFastCount; ++j)
        t[static_cast<size_t>(j)] = full[static_cast<size_t>(fullIndexOfFast(j))];
    return t;
}

} // namespace calibration_targets
