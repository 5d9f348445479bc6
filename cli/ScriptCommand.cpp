#include "cli/Subcommands.h"

#include "cli/ArgumentParser.h"

#include "cli/CliWorker.h"
#include "cli/ToolSession.h"
#include "device/Device.h"
#include "maintenance/RegisterScript.h"
#include "maintenance/ScriptRun.h"

#include <cstdio>

namespace {

constexpr const char* kUsage =
    "usage: vireto-cli script run [--slave] FILE\n"
    "Runs a register script (see README.md for the format) and prints its lines as the\n"
    "engineering window shows them. --slave sends srd, pwd, i2crd and i2cwd to the Slave\n"
    "module (the panel's Slave box). The whole file is checked first: a line that does not\n"
    "parse is reported with its number and nothing is sent. Files named by brd and bwd lie\n"
    "beside the script. Exit 0 after \"Success!\", 1 when a line failed.";

} // namespace

int runScript(const CliContext& context)
{
    QStringList args = context.args;
    if (wantsHelp(args) || args.isEmpty() || args.takeFirst() != QLatin1String("run")) {
        return usage(kUsage, wantsHelp(context.args));
    }
    bool slave = false;
    std::string file;
    CLI::App app{"script run"};
    app.add_flag("--slave", slave);
    app.add_option("FILE", file)->required();
    QString error;
    if (!parseArguments(app, args, error))
        return fail(kExitUsage, error + QStringLiteral(" (script run [--slave] FILE)"));
    const QString path = fromArgument(file);
    const ScriptParse check = parseScriptFile(path);
    if (check.status == ScriptParse::Status::CannotOpen)
        return fail(kExitUsage, QStringLiteral("cannot read %1").arg(path));
    if (check.status == ScriptParse::Status::BadLine)
        return fail(
            kExitUsage,
            QStringLiteral("%1, line %2: %3").arg(path).arg(check.badLine).arg(check.error));
    Device* device = openFrame(context);
    if (!device)
        return kExitNoFrame;
    ReportedLines lines;
    RunScriptThread worker(*device, path, slave, lines);
    const int last = runReportingWorker(worker, lines);
    // A failed script leaves the frame in calibration mode: the command puts it back.
    ToolSession session(*device);
    return session.finish(last == kScriptDone ? kExitOk : kExitFailed);
}
