#include "cli/Subcommands.h"

#include "cli/JsonOutput.h"

#include "cli/ToolSession.h"
#include "codec/FirmwareImage.h"
#include "device/Device.h"
#include "device/FrameIdentity.h"
#include "device/StatusCheck.h"

#include <cstdio>

namespace {

const char* modeName(uint8_t code)
{
    switch (code) {
    case WorkMode:
        return "work";
    case CalibrationMode:
        return "calibration";
    case ResetMode:
        return "reset";
    case SaveMode:
        return "save";
    default:
        return "unknown";
    }
}

} // namespace

int runStatus(const CliContext& context)
{
    if (wantsHelp(context.args)) {
        std::puts("usage: vireto-cli status\n"
                  "Opens the frame and prints its product ID, whether its application or its boot\n"
                  "loader runs, its image and boot-loader versions, and (application) the\n"
                  "operating mode and error code it reports.");
        return kExitOk;
    }
    if (!context.args.isEmpty())
        return fail(kExitUsage, QStringLiteral("status takes no arguments"));
    uint16_t pid = 0;
    Device* device = openFrame(context, &pid);
    if (!device)
        return kExitNoFrame;
    const bool bootLoader = pid == frame_identity::kBootLoaderProductId;
    QJsonObject json{{"product", QString::asprintf("0x%04X", pid)},
                     {"running", bootLoader ? "boot loader" : "application"}};
    if (!context.json)
        std::printf("product ID: 0x%04X (%s)\n", pid, bootLoader ? "boot loader" : "application");
    ModuleVersions versions;
    if (device->blocks.readVersions(Side::Master, versions)) {
        json.insert("imageVersion", versionWordText(versions.image));
        json.insert("bootLoaderVersion", versionWordText(versions.bootLoader));
        if (!context.json)
            std::printf("image version: %s\nboot loader version: %s\n",
                        versionWordText(versions.image).toLatin1().constData(),
                        versionWordText(versions.bootLoader).toLatin1().constData());
    }
    FrameStatus status;
    if (!bootLoader && !readFrameStatus(*device, 1, status))
        return fail(kExitFailed, QStringLiteral("GetStatus failed: %1").arg(lastFailure(*device)));
    if (!bootLoader) {
        json.insert("mode", modeName(status.modeCode));
        json.insert("modeCode", status.modeCode);
        json.insert("errorCode", QString::asprintf("0x%08X", status.errorCode));
        if (!context.json)
            std::printf("mode: 0x%02X (%s)\nerror code: 0x%08X\n", status.modeCode,
                        modeName(status.modeCode), status.errorCode);
    }
    if (context.json)
        printJson(json);
    return kExitOk;
}

int runMode(const CliContext& context)
{
    if (wantsHelp(context.args) || context.args.size() != 1) {
        return usage("usage: vireto-cli mode work|calibration|save|reset\n"
                     "Switches the frame's operating mode: work (normal touch), calibration (tool\n"
                     "access), save (the frame stores its optical parameters), reset (restarts\n"
                     "its processing).",
                     wantsHelp(context.args));
    }
    const QString word = context.args.first();
    uint8_t mode = 0;
    if (word == QLatin1String("work"))
        mode = WorkMode;
    else if (word == QLatin1String("calibration"))
        mode = CalibrationMode;
    else if (word == QLatin1String("save"))
        mode = SaveMode;
    else if (word == QLatin1String("reset"))
        mode = ResetMode;
    else
        return fail(
            kExitUsage,
            QStringLiteral("unknown mode \"%1\" (work, calibration, save, reset)").arg(word));
    Device* device = openFrame(context);
    if (!device)
        return kExitNoFrame;
    ToolSession session(*device);
    if (!SwitchMode(*device, mode, &session))
        return fail(kExitFailed,
                    QStringLiteral("mode %1 failed: %2").arg(word, lastFailure(*device)));
    std::printf("mode %s\n", modeName(mode));
    return kExitOk;
}
