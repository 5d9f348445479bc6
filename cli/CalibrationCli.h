#pragma once

#include "calibration/AccuracyCheck.h"
#include "calibration/CalibrationRecord.h"
#include "cli/CliSupport.h"
#include "device/Device.h"

class VirtualScene;

// What the calibration subcommands share.
namespace calibration_cli {

// What the virtual frame knows of a touch: where the finger is, the exact camera model.
accuracy_check::Truth truthOf(VirtualScene& scene);

// "WxH" with both sides 1..32767.
bool parseScreen(const QString& text, int& width, int& height);

// The SensorType of the frame's configuration record (0 without a valid record).
int sensorTypeOf(Device& device);

// Prints a record: R, both cameras, each target's model position and residual, maps.
void printRecord(const CalibrationRecord& record, int width, int height);

} // namespace calibration_cli
