#include "cli/FlashTestCommand.h"

#include "cli/ArgumentParser.h"

#include "cli/CliWorker.h"
#include "cli/ToolSession.h"
#include "codec/ByteOrder.h"
#include "device/Device.h"
#include "imaging/SearchState.h"
#include "imaging/StoredOptics.h"
#include "maintenance/FlashTest.h"

#include <cstdio>

namespace {

constexpr const char* kUsage =
    "usage: vireto-cli test flash [--cycles N] [--skip PARTS] [--dump PREFIX] [--wait SECONDS]\n"
    "The factory flash test: dumps both modules' flash as the reference, then N cycles\n"
    "(default 10, 1..100000) of mode switches, start-line searches and exposure requests,\n"
    "with the frame storing its optical parameters on every odd cycle; after each cycle\n"
    "both flashes are dumped again and compared with the reference. PARTS (comma-separated)\n"
    "are left out of the comparison: exposure (bytes 4..7 of the sector at 0x11000),\n"
    "columns (8..11), lines (18..65). Dumps: PREFIXn_Flash_Master.bin / _Slave.bin (default\n"
    "PREFIX flash-test_, n = 0 for the reference). SECONDS between cycles (default 30).\n"
    "Exit 1 on a difference or a failed step.";

bool parseSkip(const QString& list, FlashTestOptions& options)
{
    options.skipRanges = true;
    for (const QString& part : list.split(QLatin1Char(','))) {
        if (part == QLatin1String("exposure"))
            options.skipExposure = true;
        else if (part == QLatin1String("columns"))
            options.skipColumns = true;
        else if (part == QLatin1String("lines"))
            options.skipLines = true;
        else
            return false;
    }
    return true;
}

} // namespace

int runFlashTest(const CliContext& context, QStringList args)
{
    if (wantsHelp(args))
        return usage(kUsage, true);
    FlashTestOptions options;
    options.maxCycles = 10;
    options.dumpPrefix = QStringLiteral("flash-test_");
    options.searchLow = g_StartLineSearchLow;
    options.searchHigh = g_StartLineSearchHigh;
    CLI::App app{"test flash"};
    int seconds = 30;
    std::string skip;
    std::string dump;
    app.add_option("--cycles", options.maxCycles)->check(CLI::Range(1, 100000));
    app.add_option("--wait", seconds)->check(CLI::Range(0, 3600));
    app.add_option("--skip", skip);
    app.add_option("--dump", dump)->check([](const std::string& v) {
        return v.empty() ? std::string("--dump needs a prefix") : std::string();
    });
    QString error;
    if (!parseArguments(app, args, error))
        return fail(kExitUsage, error + QStringLiteral(" (see test flash --help)"));
    options.cycleWaitMs = seconds * 1000.0;
    if (!dump.empty())
        options.dumpPrefix = fromArgument(dump);
    if (app.count("--skip") && !parseSkip(fromArgument(skip), options))
        return fail(
            kExitUsage,
            QStringLiteral("bad parts \"%1\" (exposure, columns, lines)").arg(fromArgument(skip)));
    Device* device = openFrame(context);
    if (!device)
        return kExitNoFrame;
    options.endColumns = storedEndColumns(*device, FlashTestRun::kExposureStartColumn);
    RWFlashTestThread worker(*device, options);
    const FlashTestState& state = worker.state();
    int exit = kExitOk;
    auto dumps = [&options](int run, Side side) {
        return QStringLiteral("%1 and %2")
            .arg(FlashTestRun::dumpName(options.dumpPrefix, 0, side),
                 FlashTestRun::dumpName(options.dumpPrefix, run, side));
    };
    runCliWorker(
        worker, &RWFlashTestThread::sendShowData, [&] { return worker.startTest(); },
        [&](int code) {
            const int run = state.runCounter;
            switch (code) {
            case FlashTestRun::kCycleStarted:
                std::printf("cycle %d\n", run);
                break;
            case FlashTestRun::kMasterDiffers:
            case FlashTestRun::kSlaveDiffers: {
                const Side side = code == FlashTestRun::kMasterDiffers ? Side::Master : Side::Slave;
                std::printf("cycle %d: the %s flash differs from the reference at 0x%08x (%s)\n",
                            run, sideName(side), state.lastDifference.load(),
                            qPrintable(dumps(run, side)));
                exit = kExitFailed;
                break;
            }
            case FlashTestRun::kReferenceFailed:
                exit =
                    fail(kExitFailed,
                         QStringLiteral("the reference dump failed: %1").arg(lastFailure(*device)));
                break;
            case FlashTestRun::kCycleFailed:
                exit = fail(kExitFailed, QStringLiteral("cycle %1: a device step failed: %2")
                                             .arg(run)
                                             .arg(lastFailure(*device)));
                break;
            default:
                exit = fail(kExitFailed, QStringLiteral("cycle %1: the frame was lost or did not "
                                                        "switch its mode")
                                             .arg(run));
            }
            return true;
        });
    if (exit == kExitOk)
        std::printf("%d cycles: both flashes equal the reference%s\n", state.runCounter.load(),
                    options.skipRanges ? " outside the skipped parts" : "");
    ToolSession session(*device);
    return session.finish(exit);
}
