#include "ui/main/EditionSteps.h"

#include "app/AppContext.h"
#include "app/TextIds.h"
#include "calibration/StoredRecord.h"
#include "codec/ConfigRecord.h"
#include "codec/FlashMap.h"
#include "device/ConfigRecordStore.h"
#include "device/DeviceJobQueue.h"
#include "device/DeviceState.h"
#include "device/ModeSwitch.h"
#include "imaging/LevelingConfig.h"

namespace edition_steps {

int firmwareMismatchText(uint32_t imageVersion)
{
    return imageVersion < kMinimumFirmware ? kTextFirmwareTooOld : 0;
}

QString firmwareText(uint32_t imageVersion)
{
    return appContext()
        .text(kTextFirmwareId)
        .arg(imageVersion >> 24)
        .arg((imageVersion >> 16) & 0xFF)
        .arg(imageVersion & 0xFFFF)
        .trimmed();
}

UserPreparation prepareUserCalibration(Device& device, int subFunction)
{
    UserPreparation p;
    p.failureText = kTextCheckConnection;
    if (!SwitchMode(device, CalibrationMode)) {
        appContext().log.logf("Calibration :Switch to calibration mode failed! g_isSwitchMode=%d\n",
                              g_isSwitchMode.load());
        return p;
    }
    ModuleVersions versions;
    if (!device.blocks.readVersions(Side::Master, versions))
        return p;
    p.imageVersion = versions.image;
    if (const int mismatch = firmwareMismatchText(versions.image)) {
        p.failureText = mismatch;
        return p;
    }
    const stored_record::StoredCalibration stored = stored_record::readStoredCalibration(device);
    if (!stored.read)
        return p;
    // A leveled frame carries the block's flag before any calibration: the 4-point run
    // needs a record the 16-point run has really computed.
    p.hasStoredRecord = stored.usable();
    p.fastMode = p.hasStoredRecord && subFunction != 2 ? 1 : 0;
    ConfigRecord record;
    if (!ReadConfigRecord(device, record))
        return p;
    p.sensorType = record.SensorType;
    p.failureText = 0;
    return p;
}

int checkSingleFirmware(Device& device)
{
    if (!SwitchMode(device, CalibrationMode)) {
        appContext().log.logf(
            "CheckFWVersion :Switch to calibration mode failed! g_isSwitchMode=%d\n",
            g_isSwitchMode.load());
        return 0;
    }
    ModuleVersions versions;
    const int mismatch = device.blocks.readVersions(Side::Master, versions)
                             ? firmwareMismatchText(versions.image)
                             : 0;
    if (!SwitchMode(device, WorkMode))
        appContext().log.logf("CheckFWVersion :Switch to work mode failed! g_isSwitchMode=%d\n",
                              g_isSwitchMode.load());
    return mismatch;
}

int prepareImageAdjusting(Device& device, LevelingConfig& config)
{
    if (!SwitchMode(device, CalibrationMode))
        return kImageAdjustingSwitchFailed;
    return prepareLeveling(device, config) ? kImageAdjustingReady : kImageAdjustingRecordFailed;
}

int imageAdjustingText(int outcome)
{
    if (outcome == kImageAdjustingSwitchFailed)
        appContext().log.logf("Leveling :Switch to calibration mode failed! g_isSwitchMode=%d\n",
                              g_isSwitchMode.load());
    return outcome == kImageAdjustingReady ? 0 : kTextCheckConnection;
}

int prepareKeyCalibration(Device& device)
{
    if (!SwitchMode(device, CalibrationMode))
        appContext().log.logf(
            "Key Calibration :Switch to calibration mode failed! g_isSwitchMode=%d\n",
            g_isSwitchMode.load());
    return 1;
}

int storeCalibrationType(Device& device, int fastMode)
{
    ConfigRecord record;
    if (!ReadConfigRecord(device, record))
        return 0;
    record.fourPointCalibEn = static_cast<uint8_t>(fastMode);
    record.ALGConfigInfoFlag = flash_map::ALGConfigInfoFlag;
    return WriteConfigRecord(device, record);
}

void switchToWorkOnClose(Device& device)
{
    if (!SwitchMode(device, WorkMode))
        appContext().log.logf("closeEvent :Switch to work mode failed! g_isSwitchMode=%d\n",
                              g_isSwitchMode.load());
}

bool queueWorkModeOnClose(DeviceJobQueue& jobs, QObject* context, Device& device)
{
    if (!g_bDevExist || !g_isDeviceCommunicate)
        return false;
    Device* frame = &device;
    jobs.enqueue(context, [frame] {
        switchToWorkOnClose(*frame);
        return 1;
    });
    return true;
}

} // namespace edition_steps
