#include "cli/Subcommands.h"

#include "cli/ArgumentParser.h"

#include "app/SettingsFile.h"
#include "calibration/CalibrationRunState.h"
#include "calibration/FindColumnThread.h"
#include "cli/CalibrationCli.h"
#include "cli/CliWorker.h"
#include "cli/ToolSession.h"
#include "codec/ByteOrder.h"
#include "device/ConfigRecordStore.h"
#include "device/Device.h"
#include "device/ModeSwitch.h"
#include "imaging/OpticalParams.h"
#include "imaging/SearchState.h"
#include "imaging/StoredOptics.h"
#include "transport/VirtualScene.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr const char* kUsage =
    "usage: vireto-cli find-column [--screen WxH]\n"
    "Axis-adjusting headless: finds each camera's start column from a touch at the\n"
    "bottom-left and the bottom-right corner of the touch area (5 pixels inside), asks\n"
    "the frame for optimum-line tables over the start column (at most 100) and the end\n"
    "column of the last image-adjusting stored in the frame (at least 560), and lets the\n"
    "frame store them. On the virtual frame a virtual operator touches the corners of a\n"
    "1920 x 1080 desktop unless --screen says otherwise; a real frame needs --screen and\n"
    "someone to touch. Prints both start columns and the new tables.\n"
    "Vireto_Config/CalibTime sets how long a touch must be steady.";

const char* failureText(int code)
{
    switch (code) {
    case FindColumnRun::kProbeFailed:
        return "the frame did not answer the probe";
    case FindColumnRun::kFailed:
        return "a touch query or an optimum-line request failed";
    default:
        return "the frame was lost";
    }
}

void printSide(const char* name, Side side, uint16_t found)
{
    const OpticalValues v = opticalParams(side).values();
    std::printf("%s: start column %u, columns %u..%u\n  segments:", name, found, v.startColumn,
                v.endColumn);
    for (const OptimumLineSegment& s : v.optimumLines)
        std::printf(" (%u,%u,%u)", s.line, s.startColumn, s.endColumn);
    std::printf("\n");
}

// The frame keeps what it was told: both columns and tables in its block.
bool frameStored(Device& device)
{
    SensorBlock block{};
    if (!device.blocks.ReadCalibInfo(block))
        return false;
    using namespace stored_optics;
    const uint8_t* b = block.data();
    const OpticalValues left = opticalParams(Side::Master).values();
    const OpticalValues right = opticalParams(Side::Slave).values();
    return le::u16(b + kLeftStartColumn) == left.startColumn &&
           le::u16(b + kLeftEndColumn) == left.endColumn &&
           le::u16(b + kRightStartColumn) == right.startColumn &&
           le::u16(b + kRightEndColumn) == right.endColumn &&
           decodeOptimumLines(b + kMasterOptimumLines) == left.optimumLines &&
           decodeOptimumLines(b + kSlaveOptimumLines) == right.optimumLines;
}

} // namespace

int runFindColumn(const CliContext& context)
{
    if (wantsHelp(context.args))
        return usage(kUsage, true);
    int width = 0;
    int height = 0;
    CLI::App app{"find-column"};
    std::string screen;
    app.add_option("--screen", screen);
    QString error;
    if (!parseArguments(app, context.args, error) ||
        (!screen.empty() && !calibration_cli::parseScreen(fromArgument(screen), width, height)))
        return fail(kExitUsage, (error.isEmpty() ? QString() : error + QStringLiteral(" ")) +
                                    QStringLiteral("(usage: find-column [--screen WxH])"));

    Device* device = openFrame(context);
    if (!device)
        return kExitNoFrame;
    VirtualScene* scene = frameScene();
    if (width == 0) {
        if (!scene)
            return fail(kExitUsage, QStringLiteral("give the desktop size with --screen WxH"));
        width = 1920;
        height = 1080;
    }
    ToolSession session(*device);
    if (!session.begin())
        return kExitFailed;

    // The end columns of the last image-adjusting are the ones the frame stored.
    SensorBlock block{};
    if (!device->blocks.ReadCalibInfo(block))
        return fail(kExitFailed, QStringLiteral("reading the sensor information block failed: %1")
                                     .arg(lastFailure(*device)));
    setDefaultOptics();
    loadStoredOptics(block, {.loadExposure = true, .checkTables = true});
    clearColumnResults();
    Left_End = static_cast<uint16_t>(opticalParams(Side::Master).endColumn.load());
    Right_End = static_cast<uint16_t>(opticalParams(Side::Slave).endColumn.load());

    if (scene) {
        scene->placeReleasingOperator(width, height, storedSensorType(*device), 0.0);
        note(QStringLiteral("virtual frame: a virtual operator touches the corners"));
    }
    readWaitFrameCount(SettingsFile::vireto());
    std::printf("find-column on a %d x %d desktop: touch the bottom-left corner, then the "
                "bottom-right one\n",
                width, height);
    std::fflush(stdout);

    FindColumnState state;
    FindColumnThread worker(*device, state, width, height);
    int taken = 0;
    int ending = -1;
    runCliWorker(
        worker, &FindColumnThread::sendSubData, [&] { return worker.startWorker(), true; },
        [&](int code) {
            for (const int target = state.target; taken < std::min(target, 2); ++taken) {
                std::printf("bottom-%s corner taken\n", taken == 0 ? "left" : "right");
                std::fflush(stdout);
            }
            if (code != FindColumnRun::kProgress)
                ending = code;
            return true;
        });
    if (ending != FindColumnRun::kDone)
        return fail(
            kExitFailed,
            QStringLiteral("find-column failed: %1").arg(QString::fromLatin1(failureText(ending))));
    printSide("Master (left)", Side::Master, Left_Start);
    printSide("Slave (right)", Side::Slave, Right_Start);
    std::fflush(stdout);

    if (!SwitchMode(*device, SaveMode, &session))
        return fail(kExitFailed,
                    QStringLiteral("the frame refused to save: %1").arg(lastFailure(*device)));
    if (!frameStored(*device))
        return fail(kExitFailed, QStringLiteral("the frame did not store the new values"));
    std::printf("stored\n");
    return session.end(QStringLiteral("start columns stored")) ? kExitOk : kExitFailed;
}
