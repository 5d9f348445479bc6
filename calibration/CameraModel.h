#pragma once

#include "device/SensorAngleTables.h"

#include <cstdint>

// The two-camera model: each camera in an upper corner measures the sensor position of
// a finger's shadow; the position gives a viewing angle through the angle table, and
// the two rays meet at the touch. Model space is (x * R, y) in screen pixels, with R
// the x-scale of the desktop.
namespace camera_model {

// The model's own value of pi. The stored records were fitted with it.
constexpr double kPi = 3.1415926;
// Triangulation result of two parallel rays.
constexpr double kParallel = -32768.0;

struct PointF {
    double x = 0;
    double y = 0;
};

// A camera as the triangulation sees it: its position in model space times 16 (the
// record's Po_l4, held wider while a fit is searched), its shift and angle offset.
struct CameraView {
    int32_t x16 = 0;
    int32_t y16 = 0;
    int32_t shift = 0;        // L_A, in half-pixel steps
    double angleOffset = 0.0; // degrees
};

struct Model {
    const angle_table::Table* table = &angle_table::kTableB;
    CameraView left;
    CameraView right;
    double R = 1.0;
};

// Half value t[k] of a table entry.
inline double halfEntry(const angle_table::Table& table, size_t k)
{
    return table[k] * 0.5;
}

// Viewing angle in degrees of a sensor position: u = position / 2 + shift, interpolated
// in the table, the end segments extended beyond it, plus the angle offset.
double angleOfPosition(const angle_table::Table& table, double position, int32_t shift,
                       double angleOffset);
// Keeps an angle at least 0.001 degree away from 0 before its tangent is taken.
double guardAngle(double degrees);
// Slopes of the two cameras' rays in model space.
double leftSlope(double angleDegrees);
double rightSlope(double angleDegrees);

// Touch position in screen pixels of a left and a right sensor position, or
// (kParallel, kParallel) when the two rays are parallel.
PointF Triangulate(const Model& model, uint32_t leftPosition, uint32_t rightPosition);

// trunc(v) limited to the int32 range (NaN gives 0).
int32_t saturatingTrunc(double v);

} // namespace camera_model
