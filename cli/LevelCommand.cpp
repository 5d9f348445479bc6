#include "cli/Subcommands.h"

#include "cli/ArgumentParser.h"

#include "cli/JsonOutput.h"
#include "cli/ProgressLine.h"
#include <QJsonArray>

#include "cli/ToolSession.h"
#include "codec/ByteOrder.h"
#include "device/Device.h"
#include "device/DeviceState.h"
#include "imaging/ImageAdjusting.h"
#include "imaging/LevelingConfig.h"
#include "imaging/LevelingRun.h"
#include "imaging/LineImages.h"
#include "imaging/OpticalParams.h"
#include "imaging/SearchState.h"
#include "imaging/StoredOptics.h"

#include <cstdio>

namespace {

constexpr const char* kUsage =
    "usage: vireto-cli level [--save]\n"
    "Runs image-adjusting headless: finds each camera's start line, optimum lines and end\n"
    "column, asks the frame for the exposure and judges the pictures (Vireto_Config/\n"
    "QualityEvaluation in Vireto.ini, default on). Prints per side the start line, the\n"
    "start and end column, the exposure gain and time, the eight optimum-line segments\n"
    "(line,start,end) and the verdict: qualified, not qualified or not judged.\n"
    "--save asks the frame to store the values (only when both sides qualified) and\n"
    "checks that it did. Exit status 1 when the search failed or a side is not qualified.";

constexpr int kPreviewLines = 8;

QString searchFailure(int outcome)
{
    switch (outcome) {
    case ImageAdjusting::kStartLineFailed:
        return QStringLiteral("the start-line search failed (Master %1, Slave %2)")
            .arg(g_StartLineM.load())
            .arg(g_StartLineS.load());
    case ImageAdjusting::kConfigStartLineFailed:
        return QStringLiteral("the frame did not take the start lines (Master %1, Slave %2)")
            .arg(g_StartLineM.load())
            .arg(g_StartLineS.load());
    case ImageAdjusting::kOptimumLineFailed:
        return QStringLiteral("the optimum-line search failed");
    case ImageAdjusting::kColumnSearchFailed:
        return QStringLiteral("the column search failed (see the log)");
    case ImageAdjusting::kExposureFailed:
        return QStringLiteral("the exposure request failed");
    default:
        return QStringLiteral("the frame was lost");
    }
}

const char* verdict(const LevelingConfig& config, int qualified)
{
    if (!config.QualityEvaluation)
        return "not judged";
    return qualified ? "qualified" : "not qualified";
}

void printSide(const char* name, const OpticalValues& v, const char* verdictText)
{
    std::printf("%s: start line %u, columns %u..%u, exposure gain 0x%02x time 0x%02x, %s\n", name,
                v.startLine, v.startColumn, v.endColumn, v.exposureGain, v.exposureTime,
                verdictText);
    std::printf("  segments:");
    for (const OptimumLineSegment& s : v.optimumLines)
        std::printf(" (%u,%u,%u)", s.line, s.startColumn, s.endColumn);
    std::printf("\n");
}

QJsonObject jsonOfSide(const OpticalValues& v, const char* verdictText)
{
    QJsonArray segments;
    for (const OptimumLineSegment& s : v.optimumLines)
        segments.append(QJsonArray{static_cast<int>(s.line), static_cast<int>(s.startColumn),
                                   static_cast<int>(s.endColumn)});
    return {{"startLine", static_cast<qint64>(v.startLine)},
            {"startColumn", static_cast<qint64>(v.startColumn)},
            {"endColumn", static_cast<qint64>(v.endColumn)},
            {"exposureGain", v.exposureGain},
            {"exposureTime", v.exposureTime},
            {"verdict", verdictText},
            {"segments", segments}};
}

// The frame stored what it was told: start lines and optimum lines in its block.
bool frameStored(Device& device)
{
    SensorBlock block{};
    if (!device.blocks.ReadCalibInfo(block))
        return false;
    const uint8_t* b = block.data();
    using namespace stored_optics;
    const OpticalValues master = opticalParams(Side::Master).values();
    const OpticalValues slave = opticalParams(Side::Slave).values();
    return le::u16(b + kMasterStartLine) == master.startLine &&
           le::u16(b + kSlaveStartLine) == slave.startLine &&
           decodeOptimumLines(b + kMasterOptimumLines) == master.optimumLines &&
           decodeOptimumLines(b + kSlaveOptimumLines) == slave.optimumLines;
}

} // namespace

int runLevel(const CliContext& context)
{
    QStringList args = context.args;
    if (wantsHelp(args))
        return usage(kUsage, true);
    bool save = false;
    CLI::App app{"level"};
    app.add_flag("--save", save);
    QString error;
    if (!parseArguments(app, args, error))
        return fail(kExitUsage, error + QStringLiteral(" (level takes only --save)"));

    return inFrameSession(context, [&](Device& device, ToolSession& session) -> int {
        LevelingConfig config;
        readLevelingSettings(config);
        if (!prepareLeveling(device, config))
            return fail(kExitFailed, QStringLiteral("cannot read the configuration record: %1")
                                         .arg(lastFailure(device)));

        previewLineCount = kPreviewLines;
        FrameBuffers buffers;
        if (!buffers.valid())
            return fail(kExitFailed, QStringLiteral("no memory for the frame buffers"));
        LevelingRun::clearResults();
        AdjustScreenState state;
        const std::atomic<int> stop{0};
        LevelingRun run(device, state, config, stop, [](int) {});
        ImageAdjusting& adjusting = run.adjusting();
        if (!adjusting.LoadStoredOptics())
            return fail(kExitFailed, QStringLiteral("cannot read the sensor information block: %1")
                                         .arg(lastFailure(device)));
        ProgressLine progress(QStringLiteral("level"), ImageAdjusting::kSearchStages);
        adjusting.setStageReport([&progress](int stage) { progress.update(stage); });
        const int outcome = adjusting.runSearch();
        progress.finish();
        if (outcome != ImageAdjusting::kSucceeded) {
            resetSearchFlags();
            return fail(kExitFailed,
                        QStringLiteral("image-adjusting failed: %1").arg(searchFailure(outcome)));
        }
        const bool qualified = !config.QualityEvaluation || (leftQualified && rightQualified);
        QJsonObject json;
        if (context.json) {
            json = {{"penMode", config.InfraredPenMode != 0},
                    {"master", jsonOfSide(opticalParams(Side::Master).values(),
                                          verdict(config, leftQualified))},
                    {"slave", jsonOfSide(opticalParams(Side::Slave).values(),
                                         verdict(config, rightQualified))},
                    {"qualified", qualified}};
        } else {
            if (config.InfraredPenMode)
                std::printf("pen mode: exposure from the configuration record\n");
            printSide("Master (left)", opticalParams(Side::Master).values(),
                      verdict(config, leftQualified));
            printSide("Slave (right)", opticalParams(Side::Slave).values(),
                      verdict(config, rightQualified));
            std::fflush(stdout);
        }
        if (save) {
            if (!qualified)
                return fail(kExitFailed, QStringLiteral("not saved: a side is not qualified"));
            if (!SwitchMode(device, SaveMode, &session))
                return fail(
                    kExitFailed,
                    QStringLiteral("the frame refused to save: %1").arg(lastFailure(device)));
            // A frame without sensor information may accept the request and store nothing.
            if (!frameStored(device))
                return fail(kExitFailed, QStringLiteral("the frame did not store the new values"));
        }
        // "saved" only once the frame is back in work mode: the whole workflow ended.
        const bool ended = session.end(save ? QStringLiteral("optical values saved") : QString());
        if (context.json) {
            json.insert("saved", save && ended);
            printJson(json);
        } else if (save && ended) {
            std::printf("saved\n");
        }
        if (!ended)
            return kExitFailed;
        return qualified ? kExitOk : kExitFailed;
    });
}
