#include "cli/Subcommands.h"

#include "cli/ToolSession.h"
#include "codec/ConfigRecord.h"
#include "device/ConfigRecordStore.h"
#include "device/Device.h"

#include <cstdio>

namespace {

constexpr const char* kUsage =
    "usage: vireto-cli config show     print the frame's configuration record\n"
    "       vireto-cli config ensure   write the default record when the frame has none\n";

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

} // namespace

int runConfig(const CliContext& context)
{
    const QStringList& args = context.args;
    if (wantsHelp(args) || args.size() != 1 ||
        (args[0] != QLatin1String("show") && args[0] != QLatin1String("ensure"))) {
        std::fputs(kUsage, stdout);
        return wantsHelp(args) ? kExitOk : kExitUsage;
    }
    Device* device = openFrame(context);
    if (!device)
        return kExitNoFrame;
    ToolSession session(*device);
    if (!session.begin())
        return kExitFailed;
    if (args[0] == QLatin1String("ensure") && !EnsureConfigRecord(*device))
        return fail(
            kExitFailed,
            QStringLiteral("the record could not be written: %1").arg(lastFailure(*device)));
    ConfigRecord record;
    if (!ReadConfigRecord(*device, record))
        return fail(kExitFailed,
                    QStringLiteral("the record could not be read: %1").arg(lastFailure(*device)));
    print(record);
    return session.end() ? kExitOk : kExitFailed;
}
