#pragma once

#include "calibration/CalibrationRecord.h"
#include "cli/CliSupport.h"
#include "device/Device.h"

// What the calibration subcommands share.
namespace calibration_cli {

// "WxH" with both sides 1..32767.
bool parseScreen(const QString& text, int& width, int& height);

// Prints a record: R, both cameras, each target's model position and residual, maps.
void printRecord(const CalibrationRecord& record, int width, int height);

} // namespace calibration_cli
