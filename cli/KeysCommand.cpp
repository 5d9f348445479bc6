#include "cli/Subcommands.h"

#include "cli/ArgumentParser.h"

#include "app/AppContext.h"
#include "app/SettingsFile.h"
#include "calibration/CalibrationRunState.h"
#include "calibration/KeyCalibrationThread.h"
#include "calibration/KeyLayout.h"
#include "calibration/KeyTestThread.h"
#include "calibration/StoredRecord.h"
#include "cli/CalibrationCli.h"
#include "cli/CliWorker.h"
#include "cli/ToolSession.h"
#include "codec/ByteOrder.h"
#include "codec/CalibrationRecord.h"
#include "codec/ConfigRecord.h"
#include "codec/FlashMap.h"
#include "device/DeviceState.h"
#include "transport/VirtualScene.h"

#include <QElapsedTimer>

#include <csignal>
#include <cstdio>
#include <set>

namespace {

constexpr const char* kUsage =
    "usage: vireto-cli keys calibrate|show|test [--seconds N]\n"
    "calibrate  teaches the frame its shortcut keys: the layout comes from the Left_Key,\n"
    "           Right_Key, Bottom_Key and Top_Key groups of Vireto.ini, the codes from\n"
    "           Vireto_Key.ini. Needs a stored touch calibration. On the virtual frame\n"
    "           the keys are printed on its bezel to match the layout and the virtual\n"
    "           operator touches their corners. Stores the key-code table and the key\n"
    "           rectangles and prints the rectangles.\n"
    "show       prints the stored key-code table and key rectangles.\n"
    "test       prints each shortcut key as the frame reports it pressed (\"Left key 3\"),\n"
    "           as the key test window lights it, for N seconds (default 30) or until\n"
    "           Ctrl-C. On the virtual frame the keys of the layout are printed on its\n"
    "           bezel and pressed one after the other; the test ends once each was pressed.";

constexpr int kDefaultTestSeconds = 30;
constexpr int kLongestTestSeconds = 24 * 3600;

std::atomic<int> interrupted{0};

void onSignal(int)
{
    interrupted = 1;
}

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

int calibrate(Device& device)
{
    using namespace shortcut_keys;
    const stored_record::StoredCalibration stored = stored_record::readStoredCalibration(device);
    if (!stored.read)
        return fail(kExitFailed, QStringLiteral("reading the sensor information block failed: %1")
                                     .arg(lastFailure(device)));
    KeyCalibrationStart start =
        prepareKeyCalibration(SettingsFile::vireto(), SettingsFile::keyCodes(), stored.width,
                              stored.height, stored.sensorType);
    if (start.noKeys)
        return fail(kExitFailed,
                    QStringLiteral("No shortcut key, please quit, confirm the configuration file "
                                   "information and to calibration!"));
    if (!start.problem.isEmpty())
        return fail(kExitFailed, start.problem);
    if (!stored.usable())
        return fail(kExitFailed,
                    QStringLiteral("calibrate the screen first: %1").arg(stored.problem));
    const KeyCalibrationSetup& setup = start.setup;
    if (VirtualScene* scene = frameScene()) {
        scene->placeOperator(setup.width, setup.height, setup.sensorType, 0.0);
        scene->printKeys(groupCountsOf(setup.layout), setup.width, setup.height);
        note(QStringLiteral("virtual frame: keys printed to match the layout; a virtual operator "
                            "touches their corners"));
    }
    readWaitFrameCount(SettingsFile::vireto());

    KeyCalibrationThread worker(device);
    KeyCalibrationState& state = keyCalibrationState();
    int lastIndex = -1;
    int ending = -1;
    const int count = static_cast<int>(setup.targets.size());
    std::printf("key calibration: %d corners\n", count);
    runCliWorker(
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
    std::printf("stored %d key codes and these rectangles:\n", (setup.keyCodeTable[0]));
    printArea(worker.keyArea());
    return kExitOk;
}

// The key test runs in work mode, as the key test window does: nothing is switched.
int test(Device& device, int seconds)
{
    using namespace shortcut_keys;
    const KeyLayout layout = readKeyLayout(SettingsFile::vireto());
    int expected = 0;
    if (VirtualScene* scene = frameScene()) {
        if (const QString problem = problemOf(layout); !problem.isEmpty())
            return fail(kExitFailed, QStringLiteral("Vireto.ini: %1").arg(problem));
        if (!layout.hasKeys())
            return fail(kExitFailed,
                        QStringLiteral("No shortcut key, please quit, confirm the configuration "
                                       "file information and to calibration!"));
        for (int side : kSideOrder)
            expected += layout.of(side).keyCount();
        scene->printKeys(groupCountsOf(layout), 1920, 1080);
        scene->pressPrintedKeys(true);
        note(QStringLiteral("virtual frame: the %1 keys of the layout are pressed one after the "
                            "other")
                 .arg(expected));
    }
    interrupted = 0;
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    KeyTestThread worker(device);
    std::set<std::pair<int, int>> seen;
    std::pair<int, int> last{0, 0};
    QElapsedTimer clock;
    clock.start();
    runCliWorker(
        worker, &KeyTestThread::sendData, [&] { return worker.startWorker(); },
        [&](int code) {
            if (code != KeyTestThread::kPolled)
                return true;
            const std::pair<int, int> key{static_cast<int>(worker.keyState().sideCode.load()),
                                          worker.keyState().keyNumber.load()};
            if (key != last && key.first >= kLeftSide && key.first <= kTopSide && key.second > 0) {
                std::printf("%s key %d\n", sideWordOf(key.first), key.second);
                std::fflush(stdout);
                seen.insert(key);
            }
            last = key;
            const bool allSeen = expected > 0 && static_cast<int>(seen.size()) >= expected;
            return g_bDevExist && !interrupted && !allSeen && clock.elapsed() < seconds * 1000LL;
        });
    if (VirtualScene* scene = frameScene())
        scene->pressPrintedKeys(false);
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    if (!g_bDevExist)
        return fail(kExitFailed, QStringLiteral("the frame was lost"));
    if (expected > 0 && static_cast<int>(seen.size()) < expected)
        return fail(
            kExitFailed,
            QStringLiteral("%1 of %2 keys were reported pressed").arg(seen.size()).arg(expected));
    std::printf("%zu keys pressed\n", seen.size());
    return kExitOk;
}

} // namespace

int runKeys(const CliContext& context)
{
    const QStringList& a = context.args;
    const QString what = a.value(0);
    int seconds = kDefaultTestSeconds;
    bool ok = (a.size() == 1 && (what == QLatin1String("calibrate") ||
                                 what == QLatin1String("show") || what == QLatin1String("test")));
    if (!ok && what == QLatin1String("test")) {
        CLI::App app{"keys test"};
        app.add_option("--seconds", seconds)->check(CLI::Range(1, int(kLongestTestSeconds)));
        QString error;
        if (!parseArguments(app, a.mid(1), error))
            return fail(kExitUsage, error + QStringLiteral(" (keys test [--seconds N])"));
        ok = true;
    }
    if (wantsHelp(a) || !ok) {
        return usage(kUsage, wantsHelp(a));
    }
    Device* device = openFrame(context);
    if (!device)
        return kExitNoFrame;
    if (what == QLatin1String("test"))
        return test(*device, seconds);
    ToolSession session(*device);
    if (!session.begin())
        return kExitFailed;
    if (a.first() == QLatin1String("show"))
        return session.finish(show(*device));
    return session.finish(calibrate(*device), QStringLiteral("key calibration stored"));
}
