#include "calibration/CameraModel.h"

#include <cmath>
#include <limits>

namespace camera_model {

using angle_table::kEntries;
using angle_table::kStepDegrees;

double angleOfPosition(const angle_table::Table& table, double position, int32_t shift,
                       double angleOffset)
{
    const double u = position * 0.5 + shift;
    const double first = halfEntry(table, 0);
    const double last = halfEntry(table, kEntries - 1);
    if (u < first)
        return (u - first) * kStepDegrees / (halfEntry(table, 1) - first) + angleOffset;
    if (u > last)
        return (static_cast<double>(kEntries - 1) +
                (u - last) / (last - halfEntry(table, kEntries - 2))) *
                   kStepDegrees +
               angleOffset;
    for (size_t k = 0; k + 1 < kEntries; ++k) {
        const double lo = halfEntry(table, k);
        const double hi = halfEntry(table, k + 1);
        if (lo <= u && u <= hi)
            return (static_cast<double>(k) + (u - lo) / (hi - lo)) * kStepDegrees + angleOffset;
    }
    return angleOffset; // not reached: the table increases
}

double guardAngle(double degrees)
{
    if (degrees >= 0.0 && degrees < 0.001)
        return 0.001;
    if (degrees > -0.001 && degrees < 0.0)
        return -0.001;
    return degrees;
}

double leftSlope(double angleDegrees)
{
    return std::tan((90 - angleDegrees) * kPi / 180);
}

double rightSlope(double angleDegrees)
{
    return std::tan((angleDegrees + 90) * kPi / 180);
}

PointF Triangulate(const Model& model, uint32_t leftPosition, uint32_t rightPosition)
{
    const double angleL = guardAngle(
        angleOfPosition(*model.table, leftPosition, model.left.shift, model.left.angleOffset));
    const double angleR = guardAngle(
        angleOfPosition(*model.table, rightPosition, model.right.shift, model.right.angleOffset));
    const double mL = leftSlope(angleL);
    const double mR = rightSlope(angleR);
    if (mR - mL == 0)
        return {kParallel, kParallel};
    const double bL = model.left.y16 - model.left.x16 * mL;
    const double bR = model.right.y16 - model.right.x16 * mR;
    const double x = (bL - bR) / (mR - mL);
    return {x / 16 / model.R, (mL * x + bL) / 16};
}

int32_t saturatingTrunc(double v)
{
    if (std::isnan(v))
        return 0;
    constexpr double kMin = std::numeric_limits<int32_t>::min();
    constexpr double kMax = std::numeric_limits<int32_t>::max();
    if (v <= kMin)
        return std::numeric_limits<int32_t>::min();
    if (v >= kMax)
        return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(v);
}

} // namespace camera_model
