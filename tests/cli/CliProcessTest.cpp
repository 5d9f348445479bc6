// Runs vireto-cli as a process, against a virtual frame in a flash file (sim:PATH) or
// served on sockets by this test (unix:DIR) so that faults can be injected.
#include "cli/CliSupport.h"

#include "codec/FirmwareImage.h"
#include "codec/FlashMap.h"
#include "device/Delay.h"
#include "sim/FlashImages.h"
#include "sim/FrameServer.h"
#include "sim/PrintedKeys.h"
#include "sim/SimBus.h"
#include "sim/VirtualFrame.h"
#include "tests/support/CliRunner.h"
#include "tests/support/FirmwareFiles.h"
#include "tests/support/TempDir.h"

#include <QProcess>
#include <QRegularExpression>

#include <unistd.h>
#include <utility>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

class CliTest : public CliFolderTest {
protected:
    // timeScale scales the protocol's waits in the tool (1: the real timings).
    CliRun cli(const QStringList& args, const QString& device = {}, double timeScale = 0)
    {
        return CliFolderTest::cli(
            args, device, {timeScale, std::exchange(input, {}), std::exchange(stdoutFile, {})});
    }

    QByteArray input;   // the next run's standard input
    QString stdoutFile; // where the next run's standard output goes, if not to the test
};

TEST(CliNumbers, HexAndDecimalWithinBounds)
{
    EXPECT_EQ(parseNumber("0x11000"), 0x11000u);
    EXPECT_EQ(parseNumber("0X1f"), 0x1Fu);
    EXPECT_EQ(parseNumber("1546"), 1546u);
    EXPECT_EQ(parseNumber(" 42 "), 42u);
    EXPECT_FALSE(parseNumber(""));
    EXPECT_FALSE(parseNumber("0x"));
    EXPECT_FALSE(parseNumber("12abc"));
    EXPECT_FALSE(parseNumber("-1"));
    EXPECT_FALSE(parseNumber("0x100", 0, 0xFF));
    EXPECT_FALSE(parseNumber("0", 1, 5));
    EXPECT_FALSE(parseNumber("0x100000000"));
}

TEST_F(CliTest, StatusPrintsTheFramesState)
{
    const CliRun r = cli({"status"});
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(r.out.contains("product ID: 0xCB12 (application)"));
    EXPECT_TRUE(r.out.contains("mode: 0x22 (work)"));
    EXPECT_TRUE(r.out.contains("error code: 0x00000000"));
}

TEST_F(CliTest, FlashReadWritesTheSensorBlockToAFileOrStdout)
{
    const CliRun r = cli({"flash", "read", "0x11000", "1546", dir.file("block.bin")}, {}, 1);
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const QByteArray file = dir.read("block.bin");
    const std::vector<uint8_t> expected = flashOf(0x11000, 1546);
    ASSERT_EQ(file.size(), 1546);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(),
                           reinterpret_cast<const uint8_t*>(file.constData())));
    EXPECT_EQ(file.left(4), "FIWF");

    const CliRun out = cli({"flash", "read", "0x13000", "8", "-"});
    ASSERT_EQ(out.exitCode, 0);
    EXPECT_EQ(out.out.size(), 8);
}

TEST_F(CliTest, FlashEraseWriteAndVerify)
{
    dir.write("data.bin", QByteArray("\x01\x02\x03\x04 written by a test"));
    CliRun r = cli({"flash", "write", "0x1E000", dir.file("data.bin")});
    EXPECT_EQ(r.exitCode, 0) << r.err.constData(); // the sector is erased in a factory frame
    EXPECT_EQ(flashOf(0x1E000, 4), (std::vector<uint8_t>{1, 2, 3, 4}));

    dir.write("other.bin", QByteArray("\xF0\xF0\xF0\xF0", 4));
    r = cli({"flash", "write", "0x1E000", dir.file("other.bin")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("erase the sectors first")) << r.err.constData();

    r = cli({"flash", "erase", "0x1E000", "1"});
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_EQ(flashOf(0x1E000, 4), (std::vector<uint8_t>(4, 0xFF)));
    r = cli({"flash", "write", "0x1E000", dir.file("other.bin")});
    EXPECT_EQ(r.exitCode, 0);
}

TEST_F(CliTest, BadFlashArgumentsAreRefusedBeforeTouchingTheFrame)
{
    const std::vector<uint8_t> before = flashOf(0, flash_map::kFlashSize);
    for (const QStringList& args :
         {QStringList{"flash", "read", "0x1FFFF", "2", "-"},
          QStringList{"flash", "read", "0x20000", "1", "-"},
          QStringList{"flash", "read", "zz", "1", "-"},
          QStringList{"flash", "erase", "0x11001", "1"},
          QStringList{"flash", "erase", "0x1F000", "2"}, QStringList{"flash", "erase", "0", "0"},
          QStringList{"flash", "burn"},
          QStringList{"flash", "write", "0x1FFF0", dir.file("missing.bin")}}) {
        const CliRun r = cli(args);
        EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString() << r.err.constData();
        EXPECT_EQ(r.err.count('\n'), 1) << "one line: " << r.err.constData();
    }
    dir.write("big.bin", QByteArray(32, 'x'));
    EXPECT_EQ(cli({"flash", "write", "0x1FFF0", dir.file("big.bin")}).exitCode, 2);
    // A pipe has no size to look at beforehand: it is read whole first.
    input = QByteArray(8192, '\0');
    const CliRun piped = cli({"flash", "write", "0x1F000", "/dev/stdin"});
    EXPECT_EQ(piped.exitCode, 2) << piped.err.constData();
    EXPECT_TRUE(piped.err.contains("more than the 4096 bytes")) << piped.err.constData();
    EXPECT_EQ(flashOf(0, flash_map::kFlashSize), before);
}

TEST_F(CliTest, OutputThatCannotBeWrittenFailsAndLeavesNoFile)
{
    stdoutFile = "/dev/full";
    CliRun r = cli({"flash", "read", "0", "4096", "-"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("cannot write to standard output")) << r.err.constData();
    stdoutFile = "/dev/full";
    EXPECT_EQ(cli({"status"}).exitCode, 1) << "printed text is checked too";

    r = cli({"flash", "read", "0", "4096", "/dev/full"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("cannot write /dev/full")) << r.err.constData();

    QDir().mkpath(dir.file("folder.bin"));
    r = cli({"flash", "read", "0", "16", dir.file("folder.bin")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("folder.bin")) << r.err.constData();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"frame.flash"}))
        << "no temporary file is left behind";

    ASSERT_EQ(::symlink("/dev/full", dir.file("g_Slave.raw").toLocal8Bit().constData()), 0);
    r = cli({"image", "grab", dir.file("g")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("g_Slave.raw")) << r.err.constData();
}

TEST_F(CliTest, ModesAndTheirRefusal)
{
    EXPECT_EQ(cli({"mode", "calibration"}).exitCode, 0);
    EXPECT_EQ(cli({"mode", "reset"}).exitCode, 0);
    const CliRun r = cli({"mode", "sleep"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains("work, calibration, save, reset"));
}

TEST_F(CliTest, NoFrameExitsWithThreeAndAnUnknownDeviceIsAUsageError)
{
    CliRun r = cli({"status"}, "unix:" + dir.file("nothing-here"));
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_TRUE(r.err.contains("no frame found"));
    r = cli({"status"}, "usb");
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_TRUE(r.err.contains("hid, sim, sim:PATH, unix:DIR or replay:FILE"));
}

TEST_F(CliTest, HelpForEverySubcommand)
{
    for (const char* sub : {"status", "mode", "flash", "reg"}) {
        const CliRun r = cli({sub, "--help"});
        EXPECT_EQ(r.exitCode, 0) << sub;
        EXPECT_TRUE(r.out.startsWith("usage: vireto-cli")) << sub;
    }
    EXPECT_EQ(cli({}).exitCode, 2);
    EXPECT_EQ(cli({"frobnicate"}).exitCode, 2);
}

// A frame served on sockets by this process, so that its faults can be set.
class CliFaultTest : public CliTest {
protected:
    QString link() const { return served.device(); }

    ServedFrame served{dir.file("link")};
    std::shared_ptr<sim::VirtualFrame> frame = served.frame;
    std::unique_ptr<sim::FrameServer>& server = served.server;
};

TEST_F(CliFaultTest, RefusedAndUnansweredCommandsSayWhy)
{
    frame->refuseCommand(0x0A);
    CliRun r = cli({"flash", "read", "0", "16", "-"}, link());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("refused")) << r.err.constData();

    frame->clearFaults();
    frame->neverAnswer(0x06);
    r = cli({"reg", "read", "0x35"}, link());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("did not answer in time")) << r.err.constData();
}

TEST_F(CliFaultTest, CalibrationModeRefusedTwiceStopsTheOperation)
{
    frame->refuseCommand(0x0E);
    const CliRun r = cli({"flash", "erase", "0x1E000", "1"}, link());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("calibration mode")) << r.err.constData();
    const auto log = frame->requestLog();
    EXPECT_EQ(std::count_if(log.begin(), log.end(), [](const auto& q) { return q[1] == 0x0E; }), 2);
    EXPECT_EQ(std::count_if(log.begin(), log.end(), [](const auto& q) { return q[1] == 0x0D; }), 0);
}

TEST_F(CliFaultTest, RegistersOfBothModules)
{
    // Registers live as long as the frame: this one is served by the test itself.
    EXPECT_EQ(cli({"reg", "read", "--sensor", "0x0a"}, link()).out, "0x62\n");
    EXPECT_EQ(cli({"reg", "write", "--sensor", "--slave", "0x19", "0x3a"}, link()).exitCode, 0);
    EXPECT_EQ(cli({"reg", "read", "--slave", "--sensor", "25"}, link()).out, "0x3a\n");
    EXPECT_EQ(frame->sensorRegister(Side::Slave, 0x19), 0x3A);
    EXPECT_NE(frame->sensorRegister(Side::Master, 0x19), 0x3A);
    EXPECT_EQ(cli({"reg", "write", "0x35", "0x1f"}, link()).exitCode, 0);
    EXPECT_EQ(cli({"reg", "read", "0x35"}, link()).out, "0x1f\n");
    EXPECT_EQ(cli({"reg", "read", "--sensor", "0x100"}, link()).exitCode, 2);
    EXPECT_EQ(cli({"reg", "write", "0x35", "256"}, link()).exitCode, 2);
    EXPECT_EQ(cli({"reg", "poke", "0x35"}, link()).exitCode, 2);
}

// A workflow is not done until its last step is: when the frame refuses the very last
// request (switching back to work mode, or reading back what was written), the command
// fails instead of ending as done.
TEST_F(CliFaultTest, AFaultAtTheLastRequestFailsEveryWorkflow)
{
    // What the workflows need: a virtual operator in front of a 1920 x 1080 desktop, a
    // touch calibration and printed keys for the key run, values for the device
    // information, and a firmware image.
    frame->setScreenSize(1920, 1080);
    sim::OperatorSettings op;
    op.present = true;
    frame->setVirtualOperator(op);
    ASSERT_EQ(cli({"calibrate", "--screen", "1920x1080"}, link()).exitCode, 0);
    dir.write("Vireto.ini", "[Left_Key]\nGroupCnt=1\nGroup1_Num=2\n");
    dir.write("Vireto_Key.ini", "[Key_Value]\nKeyCnt=1\nKey_1=1A04\n");
    sim::KeyGroups keys{};
    keys[1][0] = 2; // two keys on the left
    sim::TouchScene scene = frame->touchScene();
    scene.keys = sim::printedKeysFor(keys, 1920, 1080);
    frame->setTouchScene(scene);
    dir.write("DeviceInfo.ini", "[DeviceInfo]\nDeviceID=0x10\nFactoryName=Plant7\n");
    dir.write("fw.bin", smallFirmwareFile(100, 100));
    dir.write("data.bin", QByteArray(100, '\x33'));
    const std::vector<uint8_t> flash = frame->readFlash(0, flash_map::kFlashSize);

    const std::vector<QStringList> workflows = {
        {"status"},
        {"mode", "calibration"},
        {"flash", "read", "0x11000", "1546", dir.file("block.bin")},
        {"flash", "erase", "0x1E000", "1"},
        {"flash", "write", "0x1E000", dir.file("data.bin")},
        {"reg", "read", "0x35"},
        {"reg", "write", "--sensor", "0x19", "0x3a"},
        {"config", "show"},
        {"config", "ensure"},
        {"devinfo", "show"},
        {"devinfo", "write", "--from", dir.file("DeviceInfo.ini")},
        {"firmware", "update", dir.file("fw.bin")},
        {"level"},
        {"level", "--save"},
        {"image", "grab", dir.file("grab")},
        {"test", "sensor-cable"},
        {"test", "image", "--passes", "2"},
        {"test", "sensor", "--passes", "2"},
        {"calibrate", "--screen", "1920x1080"},
        {"calibrate", "--points", "4"},
        {"calib", "show"},
        {"calib", "delete"},
        {"keys", "show"},
        {"keys", "calibrate"},
    };
    for (const QStringList& args : workflows) {
        SCOPED_TRACE(args.join(' ').toStdString());
        // The frame restarts twice during an update: its restart and the tool's wait for
        // it run at a tenth of the real time, so that the server sees it go and return.
        const double scale = args.first() == "firmware" ? 0.1 : 0;
        delay::setTimeScale(scale);
        frame->writeFlash(0, flash);
        frame->clearRequestLog();
        const CliRun done = cli(args, link(), scale);
        ASSERT_EQ(done.exitCode, 0) << done.err.constData();
        const auto requests = frame->requestLog();
        ASSERT_FALSE(requests.empty());
        const uint8_t last = requests.back()[1] & 0x3F;
        const auto before = std::count_if(requests.begin(), requests.end(),
                                          [last](const auto& r) { return (r[1] & 0x3F) == last; });

        frame->writeFlash(0, flash);
        frame->refuseCommand(last, sim::VirtualFrame::kAlways, static_cast<int>(before) - 1);
        const CliRun failed = cli(args, link(), scale);
        frame->clearFaults();
        delay::setTimeScale(1);
        EXPECT_EQ(failed.exitCode, 1)
            << "last request 0x" << std::hex << int(last) << ": " << failed.err.constData();
        EXPECT_FALSE(failed.out.contains("updated")) << failed.out.constData();
    }
}

TEST_F(CliFaultTest, AnInterruptedCalibDeleteLeavesACopyThatCalibRestoreWritesBack)
{
    const std::vector<uint8_t> original = frame->readFlash(flash_map::kSensorBlock, 1546);
    frame->unplugAfterRequests(0x09, 20); // within the rewrite; no one plugs it back
    CliRun r = cli({"calib", "delete"}, link());
    EXPECT_EQ(r.exitCode, 1);
    const QRegularExpressionMatch m =
        QRegularExpression("calib restore (\\S+/backup/SensorBlock_\\S+\\.bin)\"").match(r.err);
    ASSERT_TRUE(m.hasMatch()) << r.err.constData();
    const QString copy = m.captured(1);
    frame->plug();
    server->rescan();
    EXPECT_NE(frame->readFlash(flash_map::kSensorBlock, 4),
              std::vector<uint8_t>(original.begin(), original.begin() + 4));

    QByteArray unflagged(1546, '\0');
    dir.write("short.bin", QByteArray(1545, 'x'));
    dir.write("unflagged.bin", unflagged);
    frame->clearRequestLog();
    for (const char* bad : {"short.bin", "unflagged.bin", "missing.bin"}) {
        r = cli({"calib", "restore", dir.file(bad)}, link());
        EXPECT_EQ(r.exitCode, 2) << bad;
        EXPECT_EQ(r.err.count('\n'), 1) << r.err.constData();
    }
    EXPECT_TRUE(frame->requestLog().empty()) << "refused before the frame hears of it";

    r = cli({"calib", "restore", copy}, link());
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_EQ(frame->readFlash(flash_map::kSensorBlock, 1546), original);
}

TEST_F(CliFaultTest, UnpluggedFrameIsNoFrame)
{
    frame->unplug();
    server->rescan();
    EXPECT_EQ(cli({"status"}, link()).exitCode, 3);
}

} // namespace
