#include "cli/Subcommands.h"

#include "app/AppContext.h"

#include <functional>
#include <map>

namespace {

using Runner = std::function<int(const CliContext&)>;

const std::map<std::string, Runner>& subcommands()
{
    static const std::map<std::string, Runner> table = {
        {"status", runStatus},       {"mode", runMode},
        {"flash", runFlash},         {"reg", runRegister},
        {"monitor", runMonitor},     {"config", runConfig},
        {"devinfo", runDevInfo},     {"firmware", runFirmware},
        {"level", runLevel},         {"find-column", runFindColumn},
        {"image", runImage},         {"test", runTest},
        {"calibrate", runCalibrate}, {"calib", runCalib},
        {"keys", runKeys},           {"fpga", runFpga},
        {"script", runScript},
    };
    return table;
}

} // namespace

std::vector<std::string> subcommandNames()
{
    std::vector<std::string> names;
    for (const auto& entry : subcommands())
        names.push_back(entry.first);
    return names;
}

int runSubcommand(const std::string& name, const CliContext& context)
{
    const auto it = subcommands().find(name);
    if (it == subcommands().end())
        return fail(kExitUsage,
                    QStringLiteral("unknown subcommand \"%1\"").arg(QString::fromStdString(name)));
    const int exit = it->second(context);
    // Every failure is in the trail, also one a subcommand reported in its own lines.
    LogWriter& log = appContext().log;
    if (exit != kExitOk && !log.logPath().isEmpty())
        log.logf("vireto-cli: %s failed (exit %d)\n", name.c_str(), exit);
    return exit;
}
