#pragma once

#include "app/SettingsFile.h"
#include "codec/ConfigRecord.h"
#include "device/Device.h"
#include "production/DeviceInfoService.h"

#include <QString>

// What leaving image-adjusting does with the frame while it is still present: the
// configuration record written back from "Vireto.ini", then the device-information
// step of the production line.

// The record as it is written back: with Vireto_Debug/WriteConfigInfo set, its settings
// part rebuilt from the ini (flag, screen size, orientation, touch type, calibration
// keys; smoothness and touch on, 8 calibration points); in every case the four
// right-click keys, read as hexadecimal text. Pen exposure, pen mode and sensor type
// keep what was read.
ConfigRecord configRecordFromSettings(const ConfigRecord& read, const SettingsFile& ini);

struct LevelingExitResult {
    enum class DeviceInfo { None, Written, DialogWanted };

    // 1 when the record was read and written back.
    int configWritten = 0;
    DeviceInfo deviceInfo = DeviceInfo::None;
    // The automatic write's outcome (deviceInfo Written).
    DeviceInfoWriteResult info;
};

// Reads the record, writes it back as above, then, when the record went back and
// device-information writing is on, writes the device-information record from
// "DeviceInfo.ini" in folder (amend off) or asks for the dialog (amend on). Runs on a
// worker thread; the caller shows the outcome.
LevelingExitResult runLevelingExit(Device& device, const SettingsFile& ini, int writeDeviceInfo,
                                   int amendDeviceInfo, const QString& folder);

// What the device-information row tells of the leveling just saved: the Master camera's
// exposure and start line, and the preview's line count.
DeviceInfoExportContext levelingExportContext();
