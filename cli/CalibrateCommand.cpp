#include "cli/Subcommands.h"

#include "cli/ArgumentParser.h"
#include "cli/ProgressLine.h"

#include "app/AppContext.h"
#include "app/SettingsFile.h"
#include "app/TextIds.h"
#include "calibration/CalibrationImages.h"
#include "calibration/CalibrationWorker.h"
#include "calibration/StoredRecord.h"
#include "cli/CalibrationCli.h"
#include "cli/CliWorker.h"
#include "cli/ToolSession.h"
#include "codec/CalibrationRecord.h"
#include "device/ConfigRecordStore.h"
#include "device/DeviceState.h"
#include "transport/VirtualScene.h"

#include <cstdio>
#include <memory>

namespace {

constexpr const char* kUsage =
    "usage: vireto-cli calibrate [--points 16|4] [--screen WxH]\n"
    "Runs a touch calibration headless and stores the record in the frame. 16 points\n"
    "(default) fits the camera model and the nine cell maps; 4 points needs a stored\n"
    "16-point record and replaces only its whole-screen map. --screen is the desktop\n"
    "being calibrated (default: the size stored with the record, else 1920x1080 on the\n"
    "virtual frame; a real frame needs it for 16 points). On the virtual frame a virtual\n"
    "operator touches each target as it is shown. Prints each target, the progress of\n"
    "the computation and the fitted model. Vireto_Config/CalibTime sets how long a\n"
    "touch must be steady; Vireto_Debug/GetImageData keeps the line images.";

// The virtual operator touches within half a pixel of each target.
constexpr double kAimError = 0.5;

struct Options {
    bool fast = false;
    int width = 0;
    int height = 0;
};

bool parseOptions(const QStringList& args, Options& o, QString& error)
{
    CLI::App app{"calibrate"};
    int points = 16;
    std::string screen;
    app.add_option("--points", points)->check(CLI::IsMember({16, 4}));
    app.add_option("--screen", screen);
    if (!parseArguments(app, args, error))
        return false;
    o.fast = points == 4;
    if (!screen.empty() && !calibration_cli::parseScreen(fromArgument(screen), o.width, o.height)) {
        error = QStringLiteral("--screen takes WxH, for example 1920x1080");
        return false;
    }
    return true;
}

const char* codeText(int code)
{
    switch (code) {
    case kCalInitFailed:
        return "the frame refused the calibration start";
    case kCalImageFailed:
        return "reading the line images failed";
    case kCalTypeSwitched:
        return "the run type changed";
    default:
        return "the frame was lost";
    }
}

} // namespace

int runCalibrate(const CliContext& context)
{
    if (wantsHelp(context.args))
        return usage(kUsage, true);
    Options o;
    QString error;
    if (!parseOptions(context.args, o, error))
        return fail(kExitUsage,
                    error + QStringLiteral(" (usage: calibrate [--points 16|4] [--screen WxH])"));
    return inFrameSession(context, [&](Device& device, ToolSession& session) -> int {
        SensorBlock block{};
        if (!device.blocks.ReadCalibInfo(block))
            return fail(kExitFailed,
                        QStringLiteral("reading the sensor information block failed: %1")
                            .arg(lastFailure(device)));
        if (o.fast && !hasSensorInfoFlag(block))
            return fail(kExitFailed, appContext().text(kTextFirst16Point));
        if (o.fast) {
            // Spare the operator four touches that could not be used.
            if (const QString problem = stored_record::problemOf(recordOf(block));
                !problem.isEmpty())
                return fail(kExitFailed, QStringLiteral("%1: %2").arg(
                                             appContext().text(kTextFirst16Point), problem));
        }
        VirtualScene* scene = frameScene();
        if (o.width == 0) {
            if (o.fast && widthOf(block) != 0 && widthOf(block) != 0xFFFF) {
                o.width = widthOf(block);
                o.height = heightOf(block);
            } else if (scene) {
                o.width = 1920;
                o.height = 1080;
            } else {
                return fail(kExitUsage, QStringLiteral("give the desktop size with --screen WxH"));
            }
        }
        const int sensorType = storedSensorType(device);
        if (scene) {
            scene->placeOperator(o.width, o.height, sensorType, kAimError);
            note(QStringLiteral("virtual frame: a virtual operator touches the targets"));
        }
        readWaitFrameCount(SettingsFile::vireto());

        CalibrationRunState& state = calibrationRunState();
        state.fastMode = o.fast ? 1 : 0;
        std::unique_ptr<CalibrationWorker> worker;
        if (o.fast)
            worker = std::make_unique<FastCalibrationThread>(device);
        else
            worker = std::make_unique<CalibrationThread>(device);
        CalibrationSetup setup;
        setup.width = o.width;
        setup.height = o.height;
        setup.sensorType = sensorType;
        setup.saveImages = calibration_images::enabledInSettings();

        const int count = state.targetCount();
        std::printf("%d-point calibration of a %d x %d desktop\n", count, o.width, o.height);
        std::fflush(stdout);
        int lastShown = CalibrationRunState::kNoTarget;
        ProgressLine computing(QStringLiteral("calibrate: computing and storing"), 100);
        int ending = -1;
        runCliWorker(
            *worker, &CalibrationWorker::sendData, [&] { return worker->begin(setup); },
            [&](int code) {
                if (code == kCalShowTarget && g_bDevExist) {
                    const int shown = state.shownTarget;
                    if (shown != lastShown && shown != CalibrationRunState::kNoTarget) {
                        std::printf("target %d of %d\n", shown + 1, count);
                        std::fflush(stdout);
                    }
                    lastShown = shown;
                    return true;
                }
                if (code == kCalProgress) {
                    computing.update(state.progress);
                    return true;
                }
                ending = code;
                return code == kCalStored;
            });
        computing.finish();
        if (ending != kCalStored) {
            const QString why = ending == kCalProcessFailed ? worker->lastError()
                                : ending < 0 ? QStringLiteral("the worker did not start")
                                             : QLatin1String(codeText(ending));
            return fail(kExitFailed, QStringLiteral("calibration failed: %1").arg(why));
        }
        calibration_cli::printRecord(worker->record(), o.width, o.height);
        // Done only once the frame touches again: "stored." says the whole workflow ended.
        const int exit = session.finish(kExitOk, QStringLiteral("calibration stored"));
        if (exit == kExitOk)
            std::printf("stored.\n");
        return exit;
    });
}
