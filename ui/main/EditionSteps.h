#pragma once

#include "device/Device.h"

#include <QString>

#include <cstdint>

// The device steps the smaller editions take once their monitor has found a frame.
// They run off the GUI thread (in a device job) and return what the window shows.
namespace edition_steps {

// The oldest firmware these editions work with (1.2.0): older images lack the
// calibration and key commands they use.
constexpr uint32_t kMinimumFirmware = 0x01020000;

// 0 when the image version meets the requirement, else the text to show (137).
int firmwareMismatchText(uint32_t imageVersion);

// "FirmwareID: 1.3.2" style text of a version word, with the language table's text 42.
QString firmwareText(uint32_t imageVersion);

// What the user edition learns before it starts a calibration run.
struct UserPreparation {
    int failureText = 0; // 0: ready; else the text to show (14 or 137)
    uint32_t imageVersion = 0;
    bool hasStoredRecord = false; // the frame holds a usable 16-point record
    int fastMode = 0;             // 1: the 4-point run
    int sensorType = 0;           // of the configuration record
};

// Calibration mode, the firmware check, the sensor information block and the
// configuration record. subFunction 2 ("-16cal") always asks for the 16-point run.
UserPreparation prepareUserCalibration(Device& device, int subFunction);

// The single-function edition's check: calibration mode, the firmware version against
// the requirement, work mode again. Returns 0 or the mismatch text (137); a failed
// switch or read is logged and does not stop the function from opening.
int checkSingleFirmware(Device& device);

} // namespace edition_steps
