#include "device/ConfigSettings.h"

#include "app/LogSink.h"
#include "app/SettingsFile.h"
#include "device/ConfigRecordStore.h"
#include "device/DeviceState.h"
#include "device/ModeSwitch.h"

#include <algorithm>
#include <functional>

namespace config_settings {

namespace {

const QString kConfig = QStringLiteral("Vireto_Config");
const QString kScreen = QStringLiteral("Vireto_ScreenInfo");

QString exposureText(uint8_t time)
{
    return QStringLiteral("0x%1").arg(time, 2, 16, QLatin1Char('0'));
}

// The exposure time the window works with: the stored text, else the scale's time.
uint8_t exposureTimeOf(const SettingsFile& ini)
{
    const QString text = ini.readText(kConfig, QStringLiteral("InfraredExpTime"));
    bool ok = false;
    QString digits = text.trimmed();
    if (digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        digits = digits.mid(2);
    const int time = digits.toInt(&ok, 16);
    if (ok && time >= 0 && time <= 0xFF)
        return static_cast<uint8_t>(time);
    const int scale = std::clamp(ini.readInt(kConfig, QStringLiteral("InfraredExpScale"), 3),
                                 kLowestScale, kHighestScale);
    return exposureTimeForScale(scale);
}

uint8_t exposureGainOf(const SettingsFile& ini)
{
    return static_cast<uint8_t>(
        ini.readHex(kConfig, QStringLiteral("InfraredExpGain"), QStringLiteral("4")));
}

int switchMode(Device& device, uint8_t mode)
{
    return SwitchMode(device, mode);
}

SaveResult finish(Device& device, SaveResult result)
{
    if (!switchMode(device, WorkMode)) {
        serviceLog().logf("Set :Switch to work mode failed! g_isSwitchMode=%d\n",
                          g_isSwitchMode.load());
        if (result == SaveResult::Saved)
            return SaveResult::WorkModeFailed;
    }
    return result;
}

SaveResult writeAndVerify(Device& device, const ConfigRecord& record, Side writeSide)
{
    if (!WriteConfigRecord(device, record, writeSide))
        return finish(device, SaveResult::WriteFailed);
    ConfigRecord back;
    if (!ReadConfigRecord(device, back, Side::Master) || back.encode() != record.encode())
        return finish(device, SaveResult::VerifyFailed);
    return finish(device, SaveResult::Saved);
}

// In calibration mode: the record read, changed, written through writeSide and verified.
SaveResult saveChanged(Device& device, Side writeSide,
                       const std::function<ConfigRecord(const ConfigRecord& read)>& change)
{
    if (!switchMode(device, CalibrationMode))
        return SaveResult::SwitchRefused;
    ConfigRecord read;
    if (!ReadConfigRecord(device, read))
        return finish(device, SaveResult::ReadFailed);
    return writeAndVerify(device, change(read), writeSide);
}

} // namespace

Choices readChoices(const SettingsFile& ini)
{
    Choices c;
    c.portrait = ini.readInt(kScreen, QStringLiteral("Screen_Direction"), 0) >= 1;
    c.rotation = c.portrait ? ini.readInt(kScreen, QStringLiteral("Vertical_Mode"), 0) : 0;
    const int touchType = ini.readInt(QStringLiteral("os_check"), QStringLiteral("TouchType"), 1);
    c.touchType = touchType == 0                       ? 0
                  : touchType == 3                     ? 3
                  : (touchType == 2 || touchType == 4) ? 2
                                                       : 1;
    c.screenSize = ini.readInt(kScreen, QStringLiteral("Screen_Size"), 3);
    c.fourLights = ini.readInt(QStringLiteral("SensorType"), QStringLiteral("SensorType"), 0) != 0;
    c.penOpen = ini.readInt(kConfig, QStringLiteral("InfraredPenMode"), 0) != 0;
    c.exposureScale = ini.readInt(kConfig, QStringLiteral("InfraredExpScale"), 0);
    return c;
}

void writeChoices(const SettingsFile& ini, const Choices& c)
{
    SettingsFile::Writer w = ini.writer();
    w.set(kScreen, QStringLiteral("Screen_Direction"), c.portrait ? 1 : 0);
    w.set(kScreen, QStringLiteral("Vertical_Mode"), c.portrait ? c.rotation : 0);
    w.set(QStringLiteral("os_check"), QStringLiteral("TouchType"), c.touchType);
    w.set(kScreen, QStringLiteral("Screen_Size"), c.screenSize);
    w.set(QStringLiteral("SensorType"), QStringLiteral("SensorType"), c.fourLights ? 1 : 0);
    w.set(kConfig, QStringLiteral("InfraredPenMode"), c.penOpen ? 1 : 0);
}

int stepExposure(const SettingsFile& ini, int scale, int delta)
{
    const int next = std::clamp(scale + delta, kLowestScale, kHighestScale);
    SettingsFile::Writer w = ini.writer();
    w.set(kConfig, QStringLiteral("InfraredExpScale"), next);
    w.set(kConfig, QStringLiteral("InfraredExpTime"), exposureText(exposureTimeForScale(next)));
    return next;
}

void writePenChoice(const SettingsFile& ini, bool penOpen)
{
    SettingsFile::Writer w = ini.writer();
    w.set(kConfig, QStringLiteral("InfraredPenMode"), penOpen ? 1 : 0);
    if (!penOpen) {
        w.set(kConfig, QStringLiteral("InfraredExpTime"), QStringLiteral("0x0a"));
        w.set(kConfig, QStringLiteral("InfraredExpScale"), 3);
    }
}

void copyRecordToSettings(const SettingsFile& ini, const ConfigRecord& r)
{
    SettingsFile::Writer w = ini.writer();
    if (!r.valid()) {
        w.set(kScreen, QStringLiteral("Screen_Direction"), 0);
        w.set(kScreen, QStringLiteral("Vertical_Mode"), 0);
        w.set(kConfig, QStringLiteral("FiveCalibration_en"), 0);
        w.set(kScreen, QStringLiteral("Screen_Size"), 3);
        w.set(QStringLiteral("SensorType"), QStringLiteral("SensorType"), 0);
        w.set(kConfig, QStringLiteral("InfraredPenMode"), 0);
        w.set(kConfig, QStringLiteral("InfraredExpTime"), QStringLiteral("0x0a"));
        w.set(kConfig, QStringLiteral("InfraredExpScale"), 3);
        w.set(kConfig, QStringLiteral("CalibWay"), 1);
        w.set(QStringLiteral("ImageMode"), QStringLiteral("ImageMode"), 1);
        w.set(QStringLiteral("Smoothness"), QStringLiteral("smoothness"), 1);
        w.set(kConfig, QStringLiteral("FourCalib_en"), 0);
        w.set(QStringLiteral("os_check"), QStringLiteral("TouchType"), 1);
        return;
    }
    w.set(kScreen, QStringLiteral("Screen_Size"), r.screenSize);
    w.set(QStringLiteral("Smoothness"), QStringLiteral("smoothness"), r.smoothness);
    w.set(QStringLiteral("ImageMode"), QStringLiteral("ImageMode"), r.TouchEnable);
    w.set(kScreen, QStringLiteral("Vertical_Mode"), r.ScreenDirection < 1 ? 0 : r.ScreenDirection);
    w.set(kScreen, QStringLiteral("Screen_Direction"), r.ScreenDirection < 1 ? 0 : 1);
    w.set(kConfig, QStringLiteral("FiveCalibration_en"), r.FiveCalibEn);
    w.set(kConfig, QStringLiteral("FourCalib_en"), r.fourPointCalibEn);
    w.set(kConfig, QStringLiteral("CalibWay"), r.CalibWay);
    w.set(kConfig, QStringLiteral("InfraredExpTime"), exposureText(r.InfraredExpTime));
    if (const auto scale = exposureScaleForTime(r.InfraredExpTime))
        w.set(kConfig, QStringLiteral("InfraredExpScale"), *scale);
    w.set(kConfig, QStringLiteral("InfraredPenMode"), r.InfraredPenMode);
    w.set(QStringLiteral("os_check"), QStringLiteral("TouchType"), r.TouchType);
    w.set(QStringLiteral("SensorType"), QStringLiteral("SensorType"), r.SensorType);
}

int syncFromFrame(Device& device, const SettingsFile& ini)
{
    ConfigRecord record;
    if (!ReadConfigRecord(device, record))
        return 0;
    copyRecordToSettings(ini, record);
    return 1;
}

ConfigRecord recordFromSettings(const SettingsFile& ini, const ConfigRecord& read)
{
    auto byte = [&](const QString& group, const char* key, uint8_t frameValue) {
        return static_cast<uint8_t>(ini.readInt(group, QString::fromLatin1(key), frameValue));
    };
    ConfigRecord r = read;
    r.ALGConfigInfoFlag = flash_map::ALGConfigInfoFlag;
    r.screenSize = byte(kScreen, "Screen_Size", read.screenSize);
    r.smoothness = byte(QStringLiteral("Smoothness"), "smoothness", read.smoothness);
    r.TouchEnable = byte(QStringLiteral("ImageMode"), "ImageMode", read.TouchEnable);
    // The record keeps the rotation; rotation 0 also means landscape.
    r.ScreenDirection = ini.readInt(kScreen, QStringLiteral("Screen_Direction"), 0) >= 1
                            ? byte(kScreen, "Vertical_Mode", 0)
                            : 0;
    r.reserved = 0;
    r.FiveCalibEn = byte(kConfig, "FiveCalibration_en", read.FiveCalibEn);
    r.fourPointCalibEn = byte(kConfig, "FourCalib_en", read.fourPointCalibEn);
    r.CalibWay = byte(kConfig, "CalibWay", read.CalibWay);
    r.CalibCnt = 8;
    r.InfraredExpTime = exposureTimeOf(ini);
    r.InfraredPenMode = byte(kConfig, "InfraredPenMode", read.InfraredPenMode);
    r.TouchType = byte(QStringLiteral("os_check"), "TouchType", read.TouchType);
    r.SensorType = byte(QStringLiteral("SensorType"), "SensorType", read.SensorType);
    r.InfraredExpGain = exposureGainOf(ini);
    readRightClick(ini, r);
    return r;
}

void readRightClick(const SettingsFile& ini, ConfigRecord& r)
{
    r.XPRightClickMode = static_cast<uint8_t>(
        ini.readHex(kConfig, QStringLiteral("XPRightClickMode"), QStringLiteral("0")));
    r.TouchRightClickDistThres = static_cast<uint32_t>(
        ini.readHex(kConfig, QStringLiteral("TouchRightClickDistThres"), QStringLiteral("10")));
    r.TouchRightClickTimeThres = static_cast<uint32_t>(
        ini.readHex(kConfig, QStringLiteral("TouchRightClickTimeThres"), QStringLiteral("240")));
    r.TouchRightClickIncFrameThres = static_cast<uint32_t>(
        ini.readHex(kConfig, QStringLiteral("TouchRightClickIncFrameThres"), QStringLiteral("6")));
}

SaveResult saveToFrame(Device& device, const SettingsFile& ini)
{
    return saveChanged(device, Side::Master,
                       [&](const ConfigRecord& read) { return recordFromSettings(ini, read); });
}

SaveResult savePenToFrame(Device& device, const SettingsFile& ini)
{
    return saveChanged(device, Side::Slave, [&](ConfigRecord record) {
        record.ALGConfigInfoFlag = flash_map::ALGConfigInfoFlag;
        record.InfraredPenMode =
            static_cast<uint8_t>(ini.readInt(kConfig, QStringLiteral("InfraredPenMode"), 0));
        record.InfraredExpTime = exposureTimeOf(ini);
        record.InfraredExpGain = exposureGainOf(ini);
        return record;
    });
}

const char* describe(SaveResult result)
{
    switch (result) {
    case SaveResult::Saved:
        return "saved";
    case SaveResult::SwitchRefused:
        return "the frame refused calibration mode";
    case SaveResult::ReadFailed:
        return "reading the configuration record failed";
    case SaveResult::WriteFailed:
        return "erasing or writing the configuration record failed";
    case SaveResult::VerifyFailed:
        return "the record read back differs from the one written";
    case SaveResult::WorkModeFailed:
        return "the record was written, but the frame did not return to work mode";
    }
    return "";
}

} // namespace config_settings
