#include "cli/Subcommands.h"

#include "cli/JsonOutput.h"

#include "app/SettingsFile.h"
#include "cli/ToolSession.h"
#include "codec/ConfigRecord.h"
#include "device/ConfigRecordStore.h"
#include "device/ConfigSettings.h"
#include "device/Device.h"

#include <cstdio>
#include <optional>

namespace {

constexpr const char* kUsage =
    "usage: vireto-cli config show     print the frame's configuration record\n"
    "       vireto-cli config ensure   write the default record when the frame has none\n"
    "       vireto-cli config set KEY=VALUE...\n"
    "set does what the settings window's OK does: Vireto.ini is first brought up to date\n"
    "from the frame's record, the given keys are stored in it, and the record is written\n"
    "from Vireto.ini, read back and compared. Keys:\n"
    "  Screen_Size=0..7          <=30, 31-42, 43-55, 56-65, 66-75, 76-85, 86-95, >=96 inches\n"
    "  Screen_Direction=0|1      landscape, portrait\n"
    "  Vertical_Mode=0..4        portrait rotation: none, clockwise 90, counterclockwise\n"
    "                            90, and both mirrored\n"
    "  TouchType=0|1|2|3         auto, Windows, others, Mac\n"
    "  SensorType=0|1            two lights, four lights\n"
    "  InfraredPenMode=0|1       infrared pen off, on\n"
    "  InfraredExpScale=1..6     pen exposure (time 0x70 .. 0xc0)\n"
    "  InfraredExpGain=0..ff     pen exposure gain, hexadecimal\n";

void print(const ConfigRecord& r)
{
    std::printf("valid: %s (flag 0x%08X)\n", r.valid() ? "yes" : "no", r.ALGConfigInfoFlag);
    std::printf("screen size: %d\nsmoothness: %d\ntouch enable: %d\nscreen direction: %d\n",
                r.screenSize, r.smoothness, r.TouchEnable, r.ScreenDirection);
    std::printf("five-point calibration: %d\nfour-point calibration: %d\ncalibration way: %d\n"
                "calibration points: %d\n",
                r.FiveCalibEn, r.fourPointCalibEn, r.CalibWay, r.CalibCnt);
    const auto scale = exposureScaleForTime(r.InfraredExpTime);
    std::printf("pen exposure time: %d (scale %s)\npen exposure gain: %d\npen mode: %d\n",
                r.InfraredExpTime, scale ? QByteArray::number(*scale).constData() : "-",
                r.InfraredExpGain, r.InfraredPenMode);
    std::printf(
        "touch type: %d\nright click: mode %d, distance %u, time %u, frames %u\nsensor type: %d\n",
        r.TouchType, r.XPRightClickMode, r.TouchRightClickDistThres, r.TouchRightClickTimeThres,
        r.TouchRightClickIncFrameThres, r.SensorType);
}

QJsonObject jsonOf(const ConfigRecord& r)
{
    const auto scale = exposureScaleForTime(r.InfraredExpTime);
    return {{"valid", r.valid()},
            {"flag", QString::asprintf("0x%08X", r.ALGConfigInfoFlag)},
            {"screenSize", r.screenSize},
            {"smoothness", r.smoothness},
            {"touchEnable", r.TouchEnable},
            {"screenDirection", r.ScreenDirection},
            {"fivePointCalibration", r.FiveCalibEn},
            {"fourPointCalibration", r.fourPointCalibEn},
            {"calibrationWay", r.CalibWay},
            {"calibrationPoints", r.CalibCnt},
            {"penExposureTime", r.InfraredExpTime},
            {"penExposureScale", scale ? QJsonValue(*scale) : QJsonValue()},
            {"penExposureGain", r.InfraredExpGain},
            {"penMode", r.InfraredPenMode},
            {"touchType", r.TouchType},
            {"rightClickMode", r.XPRightClickMode},
            {"rightClickDistance", static_cast<int>(r.TouchRightClickDistThres)},
            {"rightClickTime", static_cast<int>(r.TouchRightClickTimeThres)},
            {"rightClickFrames", static_cast<int>(r.TouchRightClickIncFrameThres)},
            {"sensorType", r.SensorType}};
}

// A KEY=VALUE of "config set": where it goes in Vireto.ini and its range.
struct SettingKey {
    const char* name;
    const char* group;
    int lowest;
    int highest;
    bool hex = false;
};

constexpr SettingKey kSettingKeys[] = {
    {"Screen_Size", "Vireto_ScreenInfo", 0, 7},
    {"Screen_Direction", "Vireto_ScreenInfo", 0, 1},
    {"Vertical_Mode", "Vireto_ScreenInfo", 0, 4},
    {"TouchType", "os_check", 0, 3},
    {"SensorType", "SensorType", 0, 1},
    {"InfraredPenMode", "Vireto_Config", 0, 1},
    {"InfraredExpScale", "Vireto_Config", 1, 6},
    {"InfraredExpGain", "Vireto_Config", 0, 0xFF, true},
};

struct Assignment {
    const SettingKey* key;
    int value;
};

std::optional<Assignment> parseAssignment(const QString& text, QString& error)
{
    const qsizetype eq = text.indexOf(QLatin1Char('='));
    const QString name = eq < 0 ? text : text.left(eq);
    for (const SettingKey& key : kSettingKeys) {
        if (name != QLatin1String(key.name))
            continue;
        bool ok = false;
        const int value = text.mid(eq + 1).trimmed().toInt(&ok, key.hex ? 16 : 10);
        if (eq < 0 || !ok || value < key.lowest || value > key.highest) {
            error = QStringLiteral("%1 takes %2..%3%4")
                        .arg(name)
                        .arg(key.lowest, 0, key.hex ? 16 : 10)
                        .arg(key.highest, 0, key.hex ? 16 : 10)
                        .arg(key.hex ? QStringLiteral(" (hexadecimal)") : QString());
            return std::nullopt;
        }
        return Assignment{&key, value};
    }
    error = QStringLiteral("unknown key \"%1\" (config set --help lists them)").arg(name);
    return std::nullopt;
}

void store(const SettingsFile& ini, const Assignment& a)
{
    const QString group = QString::fromLatin1(a.key->group);
    const QString name = QString::fromLatin1(a.key->name);
    if (name == QLatin1String("InfraredExpScale")) {
        config_settings::stepExposure(ini, a.value, 0);
        return;
    }
    if (a.key->hex) {
        ini.write(group, name, QString::number(a.value, 16));
        return;
    }
    ini.write(group, name, a.value);
}

int set(Device& device, ToolSession& session, const std::vector<Assignment>& assignments)
{
    const SettingsFile ini = SettingsFile::vireto();
    if (!config_settings::syncFromFrame(device, ini))
        return fail(kExitFailed,
                    QStringLiteral("the record could not be read: %1").arg(lastFailure(device)));
    for (const Assignment& a : assignments)
        store(ini, a);
    const config_settings::SaveResult saved = config_settings::saveToFrame(device, ini);
    if (saved != config_settings::SaveResult::Saved) {
        QString why = QLatin1String(config_settings::describe(saved));
        if (saved != config_settings::SaveResult::VerifyFailed)
            why += QStringLiteral(": ") + lastFailure(device);
        return fail(kExitFailed, QStringLiteral("Vireto.ini was updated, but %1").arg(why));
    }
    ConfigRecord record;
    if (!ReadConfigRecord(device, record))
        return fail(kExitFailed,
                    QStringLiteral("the record could not be read: %1").arg(lastFailure(device)));
    print(record);
    return session.end(QStringLiteral("configuration record written")) ? kExitOk : kExitFailed;
}

} // namespace

int runConfig(const CliContext& context)
{
    const QStringList& args = context.args;
    const bool setting = args.size() >= 2 && args[0] == QLatin1String("set");
    if (wantsHelp(args) ||
        (!setting && (args.size() != 1 ||
                      (args[0] != QLatin1String("show") && args[0] != QLatin1String("ensure"))))) {
        return usage(kUsage, wantsHelp(args));
    }
    std::vector<Assignment> assignments;
    for (qsizetype i = 1; setting && i < args.size(); ++i) {
        QString error;
        const std::optional<Assignment> a = parseAssignment(args[i], error);
        if (!a)
            return fail(kExitUsage, error);
        assignments.push_back(*a);
    }
    return inFrameSession(context, [&](Device& device, ToolSession& session) -> int {
        if (setting)
            return set(device, session, assignments);
        if (args[0] == QLatin1String("ensure") && !EnsureConfigRecord(device))
            return fail(
                kExitFailed,
                QStringLiteral("the record could not be written: %1").arg(lastFailure(device)));
        ConfigRecord record;
        if (!ReadConfigRecord(device, record))
            return fail(
                kExitFailed,
                QStringLiteral("the record could not be read: %1").arg(lastFailure(device)));
        if (context.json)
            printJson(jsonOf(record));
        else
            print(record);
        return session.end() ? kExitOk : kExitFailed;
    });
}
