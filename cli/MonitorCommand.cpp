#include "cli/Subcommands.h"

#include "cli/ArgumentParser.h"

#include "cli/JsonOutput.h"
#include <QJsonArray>

#include "cli/Interruption.h"
#include "device/Device.h"
#include "device/DeviceState.h"
#include "device/PresenceMonitor.h"

#include <QTime>

#include <cstdio>

namespace {

constexpr const char* kUsage =
    "usage: vireto-cli monitor [--codes N]\n"
    "Watches for the frame as the tool's presence monitor does and prints each code it\n"
    "sends, with a time stamp, until interrupted (Ctrl-C) or after N codes:\n"
    "  7 frame found again, checking   13 frame ready   14 frame in its boot loader\n"
    "  15 no frame (or the wrong collection)";

const char* meaning(int code)
{
    switch (code) {
    case kCodeCheckStarted:
        return "frame found, checking";
    case kCodeReady:
        return "frame ready";
    case kCodeBootLoader:
        return "frame in its boot loader";
    case kCodeNoFrame:
        return "no frame";
    default:
        return "absent during an update";
    }
}

} // namespace

int runMonitor(const CliContext& context)
{
    QStringList args = context.args;
    if (wantsHelp(args))
        return usage(kUsage, true);
    int limit = 0;
    CLI::App app{"monitor"};
    app.add_option("--codes", limit)->check(CLI::Range(1, 1000000));
    QString error;
    if (!parseArguments(app, args, error))
        return fail(kExitUsage, error + QStringLiteral(" (monitor [--codes N], see --help)"));
    std::unique_ptr<HidTransport> transport = openTransport(context);
    if (!transport)
        return kExitNoFrame;
    Device device(std::move(transport));

    int sent = 0;
    PresenceMachine machine(
        device, MonitorVariant::Engineering,
        [&](int code) {
            ++sent;
            if (context.json) {
                printJson({{"time", QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz"))},
                           {"code", code},
                           {"meaning", meaning(code)},
                           {"product", QString::asprintf("0x%04X", machine.productId())}});
                return;
            }
            std::printf("%s  %2d  %s (product 0x%04X)\n",
                        QTime::currentTime()
                            .toString(QStringLiteral("HH:mm:ss.zzz"))
                            .toLatin1()
                            .constData(),
                        code, meaning(code), machine.productId());
            std::fflush(stdout);
        },
        interruption::flag());
    while (machine.runOnce() && (limit == 0 || sent < limit)) {
    }
    return kExitOk;
}
