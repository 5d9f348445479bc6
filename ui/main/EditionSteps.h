#pragma once

#include "device/Device.h"

#include <QString>

#include <cstdint>

struct LevelingConfig;
class DeviceJobQueue;
class QObject;

// The device steps the editions take before a function opens, after a calibration and
// when they close. They run off the GUI thread (in a device job) and return what the
// window shows.
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

// Before the image-adjusting window: calibration mode, the search bounds and the
// configuration record. Returns the outcome, which imageAdjustingText() turns into the
// text to show (0: open) on the GUI thread, logging a refused switch there.
enum ImageAdjustingOutcome {
    kImageAdjustingReady = 0,
    kImageAdjustingSwitchFailed = 1,
    kImageAdjustingRecordFailed = 2
};
int prepareImageAdjusting(Device& device, LevelingConfig& config);
int imageAdjustingText(int outcome);

// Before the key calibration window: calibration mode; a refusal is logged and the
// window opens all the same (the job's outcome is 1 either way).
int prepareKeyCalibration(Device& device);

// After a stored calibration: the configuration record remembers its type (1 = 4-point;
// the caller stores the same as Vireto_Config/FourCalib_en). 1 when it was written.
int storeCalibrationType(Device& device, int fastMode);

// Closing: back to work mode, logged when refused.
void switchToWorkOnClose(Device& device);
// Closing a window: a present and answering frame is switched back to work mode by a
// job queued behind the window's others (context as for DeviceJobQueue::enqueue). False
// when the frame is gone and nothing was queued.
bool queueWorkModeOnClose(DeviceJobQueue& jobs, QObject* context, Device& device);

} // namespace edition_steps
