#include "cli/Subcommands.h"

#include "app/AppContext.h"
#include "app/SettingsFile.h"
#include "codec/CalibrationRecord.h"
#include "calibration/CalibrationRunState.h"
#include "calibration/KeyCalibrationThread.h"
#include "calibration/KeyLayout.h"
#include "calibration/StoredRecord.h"
#include "cli/CalibrationCli.h"
#include "cli/ToolSession.h"
#include "codec/ByteOrder.h"
#include "device/DeviceState.h"
#include "codec/FlashMap.h"
#include "device/WorkerDriver.h"
#include "transport/VirtualScene.h"

#include <cstdio>

namespace {

constexpr const char* kUsage =
    "usage: vireto-cli keys calibrate|show\n"
    "calibrate  teaches the frame its shortcut keys: the layout comes from the Left_Key,\n"
    "           Right_Key, Bottom_Key and Top_Key groups of Vireto.ini, the codes from\n"
    "           Vireto_Key.ini. Needs a stored touch calibration. On the virtual frame\n"
    "           the keys are printed on its bezel to match the layout and the virtual\n"
    "           operator touches their corners. Stores the key-code table and the key\n"
    "           rectangles and prints the rectangles.\n"
    "show       prints the stored key-code table and key rectangles.";

void printArea(const key_rectangles::KeyArea& area)
{
    for (int side : shortcut_keys::kSideOrder) {
        const auto& rects = area.keys[static_cast<size_t>(side)];
        for (size_t i = 0; i < rects.size(); ++i)
            std::printf("%s key %zu: (%d, %d) - (%d, %d)\n", shortcut_keys::sideWordOf(side), i + 1,
                        rects[i].left, rects[i].top, rects[i].right, rects[i].bottom);
    }
}

int show(Device& device)
{
    SensorBlock block{};
    if (!device.blocks.ReadCalibInfo(block))
        return fail(kExitFailed, QStringLiteral("reading the sensor information block failed: %1")
                                     .arg(lastFailure(device)));
    RegisterRequest head;
    head.addressWord = shortcut_keys::kKeyCodeTableWord;
    head.length = 2;
    uint8_t header[2] = {};
    if (!device.access.readBlock(head, header))
        return fail(
            kExitFailed,
            QStringLiteral("reading the key-code table failed: %1").arg(lastFailure(device)));
    if (header[0] == 0xFF && header[1] == 0xFF) {
        std::printf("no key-code table stored\n");
    } else {
        std::vector<uint8_t> codes(2u * header[0]);
        RegisterRequest body;
        body.addressWord = shortcut_keys::kKeyCodeTableWord + 2;
        body.length = static_cast<uint32_t>(codes.size());
        if (!codes.empty() && !device.access.readBlock(body, codes.data()))
            return fail(
                kExitFailed,
                QStringLiteral("reading the key-code table failed: %1").arg(lastFailure(device)));
        std::printf("key codes: %u\n", header[0]);
        for (size_t i = 0; i + 1 < codes.size(); i += 2)
            std::printf("  Key_%zu = %02X%02X\n", i / 2 + 1, codes[i], codes[i + 1]);
    }
    printArea(key_rectangles::keyAreaOf(block));
    return kExitOk;
}

VirtualScene::KeyGroups groupsOf(const shortcut_keys::KeyLayout& layout)
{
    VirtualScene::KeyGroups groups{};
    for (int side : shortcut_keys::kSideOrder) {
        const shortcut_keys::SideLayout& s = layout.of(side);
        for (int g = 0; g < s.groupCnt && g < shortcut_keys::kMaxGroups; ++g)
            groups[static_cast<size_t>(side)][static_cast<size_t>(g)] =
                s.groupNum[static_cast<size_t>(g)];
    }
    return groups;
}

int calibrate(Device& device)
{
    using namespace shortcut_keys;
    const KeyLayout layout = readKeyLayout(SettingsFile::vireto());
    if (const QString problem = problemOf(layout); !problem.isEmpty())
        return fail(kExitFailed, QStringLiteral("Vireto.ini: %1").arg(problem));
    if (!layout.hasKeys())
        return fail(kExitFailed,
                    QStringLiteral("No shortcut key, please quit, confirm the configuration file "
                                   "information and to calibration!"));
    const KeyCodes codes = readKeyCodes(SettingsFile::keyCodes());
    if (!codes.error.isEmpty())
        return fail(kExitFailed, QStringLiteral("Vireto_Key.ini: %1").arg(codes.error));
    SensorBlock block{};
    if (!device.blocks.ReadCalibInfo(block))
        return fail(kExitFailed, QStringLiteral("reading the sensor information block failed: %1")
                                     .arg(lastFailure(device)));
    if (!hasSensorInfoFlag(block))
        return fail(kExitFailed, QStringLiteral("the frame holds no touch calibration"));
    if (const QString problem = stored_record::problemOf(recordOf(block)); !problem.isEmpty())
        return fail(kExitFailed, QStringLiteral("calibrate the screen first: %1").arg(problem));
    const int width = widthOf(block);
    const int height = heightOf(block);
    const int sensorType = calibration_cli::sensorTypeOf(device);
    if (VirtualScene* scene = frameScene()) {
        scene->placeOperator(width, height, sensorType, 0.0);
        scene->printKeys(groupsOf(layout), width, height);
        note(QStringLiteral("virtual frame: keys printed to match the layout; a virtual operator "
                            "touches their corners"));
    }
    readWaitFrameCount(SettingsFile::vireto());
    KeyCalibrationSetup setup;
    setup.width = width;
    setup.height = height;
    setup.sensorType = sensorType;
    setup.layout = layout;
    setup.targets = targetListOf(layout, schematicOf(layout, width, height));
    setup.keyCodeTable = codes.table();

    KeyCalibrationThread worker(device);
    KeyCalibrationState& state = keyCalibrationState();
    int lastIndex = -1;
    int ending = -1;
    const int count = static_cast<int>(setup.targets.size());
    std::printf("key calibration: %d corners\n", count);
    runWorker(
        worker, &KeyCalibrationThread::sendData, [&] { return worker.begin(setup); },
        [&](int code) {
            if (code == kKeyShowTarget && g_bDevExist) {
                const int index = state.index;
                if (index != lastIndex && index < count) {
                    const KeyTarget& t = setup.targets[static_cast<size_t>(index)];
                    std::printf("corner %d of %d: %s side, group %d, key %d\n", index + 1, count,
                                sideWordOf(t.side()), t.group(), t.record[4]);
                    std::fflush(stdout);
                }
                lastIndex = index;
                return true;
            }
            if (code == kKeyProgress)
                return true;
            ending = code;
            return code == kKeyStored;
        });
    if (ending != kKeyStored) {
        const QString why = !worker.lastError().isEmpty() ? worker.lastError()
                                                          : QStringLiteral("the frame was lost");
        return fail(kExitFailed, QStringLiteral("key calibration failed: %1").arg(why));
    }
    std::printf("stored %zu key codes and these rectangles:\n", codes.codes.size());
    printArea(worker.keyArea());
    return kExitOk;
}

} // namespace

int runKeys(const CliContext& context)
{
    const QStringList& a = context.args;
    if (wantsHelp(a) || a.size() != 1 ||
        (a.first() != QLatin1String("calibrate") && a.first() != QLatin1String("show"))) {
        std::puts(kUsage);
        return wantsHelp(a) ? kExitOk : kExitUsage;
    }
    Device* device = openFrame(context);
    if (!device)
        return kExitNoFrame;
    ToolSession session(*device);
    if (!session.begin())
        return kExitFailed;
    if (a.first() == QLatin1String("show"))
        return session.finish(show(*device));
    return session.finish(calibrate(*device), QStringLiteral("key calibration stored"));
}
