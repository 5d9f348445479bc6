#include "cli/Subcommands.h"

#include "cli/ArgumentParser.h"

#include <QJsonArray>

#include "calibration/AccuracyCheck.h"
#include "calibration/CalibrationTargets.h"
#include "calibration/KeyRectangles.h"
#include "calibration/StoredRecord.h"
#include "cli/CalibrationCli.h"
#include "cli/JsonOutput.h"
#include "cli/ProgressLine.h"
#include "cli/ToolSession.h"
#include "codec/ByteOrder.h"
#include "codec/CalibrationRecord.h"
#include "codec/FlashMap.h"
#include "device/ConfigRecordStore.h"
#include "device/SensorBlockRewrite.h"
#include "transport/SceneTruth.h"
#include "transport/VirtualScene.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

namespace {

constexpr const char* kUsage =
    "usage: vireto-cli calib show|verify [--points N]|delete|restore FILE\n"
    "show    decodes the sensor information block: the stored optics, the desktop size,\n"
    "        the calibration record (R, both cameras, each target's model position and\n"
    "        residual in pixels, the maps) and the key rectangles.\n"
    "verify  (virtual frame only) the virtual operator touches N random points (default\n"
    "        200) inside the calibrated area; prints the mean and largest distance in\n"
    "        pixels between each touch and the position the stored record gives for it,\n"
    "        and beside them the floor set by the sensor's own rounding (the same touches\n"
    "        located with the virtual frame's exact camera model).\n"
    "delete  clears the calibration record and the desktop size; the optics, the key\n"
    "        rectangles and the angle table stay.\n"
    "restore FILE  writes a block saved before a rewrite (\"SensorBlock_....bin\" in the\n"
    "        backup folder beside the program, 1546 bytes starting with \"FIWF\") back\n"
    "        into the frame, flag last, and reads it back.\n"
    "Every rewrite of the block first saves the block as it was in the backup folder and\n"
    "removes that copy once the new block has been read back; a frame lost on the way is\n"
    "waited for and the rewrite finished when it comes back.";

constexpr int kDefaultVerifyPoints = 200;
constexpr int kMaxVerifyPoints = 10000;
constexpr uint32_t kVerifySeed = 20240607;

bool readBlock(Device& device, SensorBlock& block)
{
    if (device.blocks.ReadCalibInfo(block))
        return true;
    fail(
        kExitFailed,
        QStringLiteral("reading the sensor information block failed: %1").arg(lastFailure(device)));
    return false;
}

void printOptics(const SensorBlock& b)
{
    const uint8_t* p = b.data();
    std::printf("optics: Master start line %u, exposure 0x%04x, columns %u..%u\n", le::u16(p + 4),
                le::u16(p + 6), le::u16(p + 12), le::u16(p + 14));
    std::printf("        Slave  start line %u, exposure 0x%04x, columns %u..%u\n", le::u16(p + 8),
                le::u16(p + 10), le::u16(p + 74), le::u16(p + 76));
}

void printKeys(const SensorBlock& b)
{
    const key_rectangles::KeyArea area = key_rectangles::keyAreaOf(b);
    for (int side : shortcut_keys::kSideOrder) {
        const auto& rects = area.keys[static_cast<size_t>(side)];
        std::printf("%s keys: %zu\n", shortcut_keys::sideWordOf(side), rects.size());
        for (size_t i = 0; i < rects.size(); ++i)
            std::printf("  %zu: (%d, %d) - (%d, %d)\n", i + 1, rects[i].left, rects[i].top,
                        rects[i].right, rects[i].bottom);
    }
}

QJsonObject jsonOfKeys(const SensorBlock& b)
{
    QJsonObject keys;
    const key_rectangles::KeyArea area = key_rectangles::keyAreaOf(b);
    for (int side : shortcut_keys::kSideOrder) {
        QJsonArray rects;
        for (const auto& k : area.keys[static_cast<size_t>(side)])
            rects.append(QJsonArray{k.left, k.top, k.right, k.bottom});
        keys.insert(QLatin1String(shortcut_keys::sideWordOf(side)), rects);
    }
    return keys;
}

int showJson(const SensorBlock& b)
{
    QJsonObject json{{"stored", hasSensorInfoFlag(b)}};
    if (hasSensorInfoFlag(b)) {
        const CalibrationRecord record = recordOf(b);
        const QString problem = stored_record::problemOf(record);
        if (problem.isEmpty())
            json.insert("calibration",
                        calibration_cli::jsonOfRecord(record, widthOf(b), heightOf(b)));
        else
            json.insert("problem", problem);
        json.insert("keys", jsonOfKeys(b));
    }
    printJson(json);
    return kExitOk;
}

int show(Device& device, bool json)
{
    SensorBlock b{};
    if (!readBlock(device, b))
        return kExitFailed;
    if (json)
        return showJson(b);
    if (!hasSensorInfoFlag(b)) {
        std::printf("the block carries no \"FIWF\" flag: nothing stored\n");
        return kExitOk;
    }
    printOptics(b);
    const CalibrationRecord record = recordOf(b);
    const QString problem = stored_record::problemOf(record);
    if (problem.isEmpty())
        calibration_cli::printRecord(record, widthOf(b), heightOf(b));
    else
        std::printf("desktop %u x %u; %s\n", widthOf(b), heightOf(b),
                    problem.toLocal8Bit().constData());
    printKeys(b);
    return kExitOk;
}

int verify(Device& device, int points, bool json)
{
    VirtualScene* scene = frameScene();
    if (!scene)
        return fail(kExitUsage,
                    QStringLiteral("calib verify needs the virtual frame (--device=sim)"));
    SensorBlock b{};
    if (!readBlock(device, b))
        return kExitFailed;
    const CalibrationRecord record = recordOf(b);
    const QString problem = hasSensorInfoFlag(b) ? stored_record::problemOf(record)
                                                 : QStringLiteral("nothing is stored");
    if (!problem.isEmpty())
        return fail(kExitFailed, QStringLiteral("no calibration to verify: %1").arg(problem));
    const int width = widthOf(b);
    const int height = heightOf(b);
    const int sensorType = storedSensorType(device);
    scene->placeOperator(width, height, sensorType, 0.0);
    QString error;
    ProgressLine progress(QStringLiteral("calib verify"), points);
    const auto figures = accuracy_check::measure(
        device, record, angle_table::forSensorType(sensorType), width, height, points, kVerifySeed,
        truthOf(*scene), error, [&progress](int done) { progress.update(done); });
    progress.finish();
    if (!figures)
        return fail(kExitFailed, QStringLiteral("verify: %1: %2").arg(error, lastFailure(device)));
    if (json) {
        printJson({{"touches", points},
                   {"width", width},
                   {"height", height},
                   {"mean", figures->mean},
                   {"largest", figures->largest},
                   {"floorMean", figures->floorMean},
                   {"floorLargest", figures->floorLargest}});
        return kExitOk;
    }
    std::printf("%d touches on a %d x %d desktop\n", points, width, height);
    std::printf("calibration:                  mean %.2f px, largest %.2f px\n", figures->mean,
                figures->largest);
    std::printf("floor of the sensor rounding: mean %.2f px, largest %.2f px\n", figures->floorMean,
                figures->floorLargest);
    return kExitOk;
}

int deleteRecord(Device& device)
{
    bool nothingStored = false;
    const sensor_block_rewrite::Outcome deleted =
        stored_record::deleteCalibration(device, nothingStored);
    if (!deleted.ok)
        return fail(kExitFailed, deleted.error);
    if (nothingStored) {
        std::printf("the block carries no \"FIWF\" flag: nothing to delete\n");
        return kExitOk;
    }
    std::printf("calibration record deleted (optics, key rectangles and angle table kept)\n");
    return kExitOk;
}

// Reads a block saved before a rewrite; refuses anything else before the frame is met.
std::optional<SensorBlock> savedBlock(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        fail(kExitUsage, QStringLiteral("cannot read %1").arg(path));
        return std::nullopt;
    }
    const QByteArray bytes = file.read(flash_map::kSensorBlockSize + 1);
    if (const QString problem = sensor_block_rewrite::problemOfSavedBlock(bytes);
        !problem.isEmpty()) {
        fail(kExitUsage,
             QStringLiteral("%1 is not a saved sensor information block: %2").arg(path, problem));
        return std::nullopt;
    }
    SensorBlock block{};
    std::copy(bytes.begin(), bytes.end(), block.begin());
    return block;
}

int restore(Device& device, const SensorBlock& saved, const QString& path)
{
    SensorBlock current{};
    if (!readBlock(device, current))
        return kExitFailed;
    const sensor_block_rewrite::Outcome rewritten =
        sensor_block_rewrite::rewrite(device, current, saved);
    if (!rewritten.ok)
        return fail(kExitFailed, rewritten.error);
    std::printf("sensor information block written back from %s and verified\n",
                qPrintable(QDir::toNativeSeparators(path)));
    return kExitOk;
}

} // namespace

int runCalib(const CliContext& context)
{
    const QStringList& a = context.args;
    if (wantsHelp(a) || a.isEmpty()) {
        return usage(kUsage, !a.isEmpty());
    }
    const QString what = a.first();
    int points = kDefaultVerifyPoints;
    if (what == QLatin1String("verify")) {
        CLI::App app{"calib verify"};
        app.add_option("--points", points)->check(CLI::Range(1, int(kMaxVerifyPoints)));
        QString error;
        if (!parseArguments(app, a.mid(1), error))
            return fail(kExitUsage, error + QStringLiteral(" (usage: calib verify [--points N])"));
    } else if (what == QLatin1String("restore")) {
        if (a.size() != 2)
            return fail(kExitUsage, QStringLiteral("usage: calib restore FILE"));
    } else if ((what != QLatin1String("show") && what != QLatin1String("delete")) ||
               a.size() != 1) {
        return fail(kExitUsage,
                    QStringLiteral("usage: calib show|verify [--points N]|delete|restore FILE"));
    }
    std::optional<SensorBlock> saved;
    if (what == QLatin1String("restore") && !(saved = savedBlock(a[1])))
        return kExitUsage;
    return inFrameSession(context, [&](Device& device, ToolSession& session) -> int {
        if (what == QLatin1String("show"))
            return session.finish(show(device, context.json));
        if (what == QLatin1String("verify"))
            return session.finish(verify(device, points, context.json));
        if (saved)
            return session.finish(restore(device, *saved, a[1]),
                                  QStringLiteral("sensor information block restored"));
        return session.finish(deleteRecord(device), QStringLiteral("calibration record deleted"));
    });
}
