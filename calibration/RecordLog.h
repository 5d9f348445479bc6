#pragma once

#include "calibration/CalibrationRecord.h"

// Writes a computed record to the run's log: desktop size, R, the evaluation points,
// the ten maps and both cameras, under the record's name ("gClbInfo" after a 16-point
// run, "gFastClbInfo" after a fast run).
void logCalibrationRecord(const char* name, const CalibrationRecord& record, int width, int height,
                          float R);
