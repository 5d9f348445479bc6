#pragma once

#include "AccuracyCheck.h"
#include "CalibrationRecord.h"
#include "CliSupport.h"
#include "Device.h"

namespace sim {
class VirtualFrame;
}

// What the calibration subcommands share.
namespace calibration_cli {

// The in-process virtual frame behind the device, or nullptr for any other frame.
sim::VirtualFrame* virtualFrameOf(Device& device);

// Sets the virtual frame up for a w x h desktop with sensors of the given type and puts
// the virtual operator in front of it (aim error in pixels).
void putOperatorInFront(sim::VirtualFrame& frame, int width, int height, int sensorType,
                        double aimError);
// What the virtual frame knows of a touch: where the finger is, the exact camera model.
accuracy_check::Truth truthOf(sim::VirtualFrame& frame);

// "WxH" with both sides 1..32767.
bool parseScreen(const QString& text, int& width, int& height);

// The SensorType of the frame's configuration record (0 without a valid record).
int sensorTypeOf(Device& device);

// Prints a record: R, both cameras, each target's model position and residual, maps.
void printRecord(const CalibrationRecord& record, int width, int height);

} // namespace calibration_cli
