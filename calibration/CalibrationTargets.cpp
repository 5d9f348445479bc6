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

std::array<TargetPoint, kFastCount> fastTargets(int width, int height)
{
    std::array<TargetPoint, kFastCount> t{};
    for (int row = 0; row < 2; ++row) {
        for (int col = 0; col < 2; ++col) {
            const double x = col * width * 7.0 / 8.0 + width / 16.0;
            const double y = row * height * 15.0 / 16.0 + height / 32.0;
            t[static_cast<size_t>(2 * row + col)] = {static_cast<int32_t>(x),
                                                     static_cast<int32_t>(y)};
        }
    }
    return t;
}

} // namespace calibration_targets
