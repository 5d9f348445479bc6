#pragma once

#include "calibration/CameraModel.h"
#include "codec/CalibrationRecord.h"
#include "device/Device.h"
#include "device/SensorBlockRewrite.h"

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

// What the frame holds, read from it in one go by the windows and commands that need
// a calibration (or need to know whether there is one).
struct StoredCalibration {
    bool read = false;    // the block could be read
    bool hasFlag = false; // it carries "FIWF" (the 4-point run needs this)
    QString problem;      // why its record cannot be used; empty when it can
    CalibrationRecord record;
    int width = 0; // the desktop size stored with the record
    int height = 0;
    int sensorType = 0; // of the configuration record (0 without one)
    bool usable() const { return read && hasFlag && problem.isEmpty(); }
};
StoredCalibration readStoredCalibration(Device& device);

// Clears the calibration record and the desktop size from the frame's block (the
// optics, the key rectangles and the angle table stay), through a guarded rewrite.
// nothingStored: the block carried no "FIWF", so nothing was written.
sensor_block_rewrite::Outcome deleteCalibration(Device& device, bool& nothingStored);

} // namespace stored_record
