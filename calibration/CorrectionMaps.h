#pragma once

#include "calibration/CalibrationRecord.h"
#include "calibration/CameraModel.h"
#include "calibration/FitFormulas.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

// The correction maps on top of the camera model: nine cell maps from a 16-point run
// and one whole-screen map from a fast 4-point run.
namespace correction_maps {

using fit_formulas::TargetPoint;

// A triangulated point as the record keeps it (each coordinate truncated to 16 bits);
// nothing when it does not fit.
std::optional<Point16> toPoint16(const camera_model::PointF& p);

// EvalPt (the model's position of every target) and X[0..8], each map taking a cell's
// measured quadrilateral onto its four targets; X[9] is cleared. left/right are the
// positions in each camera's own order. Empty text on success, else why it failed (a
// target the model places outside the record's range, a singular cell, a coefficient
// that does not fit); the record's maps are then not to be stored.
QString BuildMaps16(CalibrationRecord& record, const camera_model::Model& model,
                    const std::array<uint32_t, 16>& left, const std::array<uint32_t, 16>& right,
                    const std::array<TargetPoint, 16>& targets);

// X[9] from the four fast targets (top-left, top-right, bottom-left, bottom-right);
// left/right in each camera's own order. EvalPt and X[0..8] stay as they are.
QString BuildMap4(CalibrationRecord& record, const camera_model::Model& model,
                  const std::array<uint32_t, 4>& left, const std::array<uint32_t, 4>& right,
                  const std::array<TargetPoint, 4>& targets);

} // namespace correction_maps
