#pragma once

#include <QJsonObject>

#include "calibration/AccuracyCheck.h"
#include "cli/CliSupport.h"
#include "codec/CalibrationRecord.h"
#include "device/Device.h"

class VirtualScene;

// What the calibration subcommands share.
namespace calibration_cli {

// "WxH" with both sides 1..32767.
bool parseScreen(const QString& text, int& width, int& height);

// Prints a record: R, both cameras, each target's model position and residual, maps.
void printRecord(const CalibrationRecord& record, int width, int height);
// The same as one JSON object: cameras, targets with their residuals, maps.
QJsonObject jsonOfRecord(const CalibrationRecord& record, int width, int height);

} // namespace calibration_cli
