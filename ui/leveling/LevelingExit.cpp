#include "ui/leveling/LevelingExit.h"

#include "device/ConfigSettings.h"

#include "app/LogSink.h"
#include "device/ConfigRecordStore.h"
#include "imaging/LineImages.h"
#include "imaging/OpticalParams.h"

namespace {

const QString kConfig = QStringLiteral("Vireto_Config");

uint8_t byteOf(int value)
{
    return static_cast<uint8_t>(value);
}

} // namespace

ConfigRecord configRecordFromSettings(const ConfigRecord& read, const SettingsFile& ini)
{
    ConfigRecord r = read;
    if (ini.readInt(QStringLiteral("Vireto_Debug"), QStringLiteral("WriteConfigInfo"), 0)) {
        const QString screen = QStringLiteral("Vireto_ScreenInfo");
        r.ALGConfigInfoFlag = flash_map::ALGConfigInfoFlag;
        r.screenSize = byteOf(ini.readInt(screen, QStringLiteral("Screen_Size"), 0));
        r.ScreenDirection = byteOf(ini.readInt(screen, QStringLiteral("Vertical_Mode"), 0));
        r.smoothness = 1;
        r.TouchEnable = 1;
        r.TouchType =
            byteOf(ini.readInt(QStringLiteral("os_check"), QStringLiteral("TouchType"), 1));
        r.FiveCalibEn = byteOf(ini.readInt(kConfig, QStringLiteral("FiveCalibration_en"), 0));
        r.fourPointCalibEn = byteOf(ini.readInt(kConfig, QStringLiteral("FourCalib_en"), 0));
        r.CalibWay = byteOf(ini.readInt(kConfig, QStringLiteral("CalibWay"), 1));
        r.CalibCnt = 8;
    }
    config_settings::readRightClick(ini, r);
    return r;
}

LevelingExitResult runLevelingExit(Device& device, const SettingsFile& ini, int writeDeviceInfo,
                                   int amendDeviceInfo, const QString& folder)
{
    LevelingExitResult result;
    ConfigRecord record;
    if (!ReadConfigRecord(device, record)) {
        serviceLog().log("Leveling exit: ReadConfigInfo failed!\n");
        return result;
    }
    if (!WriteConfigRecord(device, configRecordFromSettings(record, ini))) {
        serviceLog().log("Leveling exit: WriteConfigInfo failed!\n");
        return result;
    }
    result.configWritten = 1;
    if (!writeDeviceInfo)
        return result;
    if (amendDeviceInfo) {
        result.deviceInfo = LevelingExitResult::DeviceInfo::DialogWanted;
        return result;
    }
    result.deviceInfo = LevelingExitResult::DeviceInfo::Written;
    result.info = DeviceInfoService(device, folder).automaticWrite(levelingExportContext());
    return result;
}

DeviceInfoExportContext levelingExportContext()
{
    const OpticalValues master = opticalParams(Side::Master).values();
    DeviceInfoExportContext context;
    context.exposureGain = master.exposureGain;
    context.exposureTime = master.exposureTime;
    context.startLine = master.startLine;
    context.previewLines = previewLineCount;
    return context;
}
