#pragma once

#include "calibration/CalibrationRecord.h"
#include "calibration/CameraModel.h"
#include "device/Device.h"

#include <QString>

#include <functional>
#include <optional>

// How well a stored record locates touches: random touches inside the calibrated area
// (the span of the 16-point grid) are read through the touch query, located with the
// record, and compared with where the finger really was. Beside it the floor: the same
// sensor positions located with the exact camera model, the error the sensor's own
// rounding leaves. Needs a frame that knows the truth (the virtual frame).
namespace accuracy_check {

struct Truth {
    // Where the finger touched during the last steady touch.
    std::function<std::optional<camera_model::PointF>()> touchedPoint;
    // The exact camera model's position for two sensor positions.
    std::function<std::optional<camera_model::PointF>(int left, int right)> exactLocate;
};

struct Figures {
    int points = 0;
    double mean = 0;
    double largest = 0;
    double floorMean = 0;
    double floorLargest = 0;
};

// The frame must already answer touches (an operator that touches what the queries
// name); the run starts with the frame's initialisation and a warm-up.
std::optional<Figures> measure(Device& device, const CalibrationRecord& record,
                               const angle_table::Table& table, int width, int height, int points,
                               uint32_t seed, const Truth& truth, QString& error);

} // namespace accuracy_check
