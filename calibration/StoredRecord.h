#pragma once

#include "calibration/CalibrationRecord.h"
#include "calibration/CameraModel.h"

#include <QString>

#include <optional>

// A record as the frame keeps it, put to use: the camera model it describes (R and the
// angle offsets from their stored fixed-point forms) and the touch position it gives
// for a pair of sensor positions.
namespace stored_record {

// Why a stored record cannot be used (empty when it can): its R must be one the
// 16-point search produces (0.50 .. 2.00).
QString problemOf(const CalibrationRecord& record);

camera_model::Model modelOf(const CalibrationRecord& record, const angle_table::Table& table);

// The correction map for a triangulated point: X[9] when a fast run has set it, else
// the cell of the 16-point grid whose measured quadrilateral holds the point (the
// nearest cell for points outside the grid).
int mapIndexFor(const CalibrationRecord& record, const camera_model::PointF& raw);

// Screen position of a touch: triangulation with the stored model, then the map.
camera_model::PointF locate(const CalibrationRecord& record, const angle_table::Table& table,
                            uint32_t leftPosition, uint32_t rightPosition);

} // namespace stored_record
