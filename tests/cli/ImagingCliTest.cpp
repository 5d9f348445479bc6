// vireto-cli level, image grab and the sensor tests, run as processes against a virtual
// frame in a flash file (sim:PATH) or served by this test (unix:DIR) with its faults.
#include "codec/FlashMap.h"
#include "sim/FrameServer.h"
#include "sim/SimBus.h"
#include "sim/VirtualFrame.h"
#include "tests/support/BoundedWait.h"
#include "tests/support/CliRunner.h"
#include "tests/support/TempDir.h"

#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

class ImagingCliTest : public ::testing::Test {
protected:
    // Against the served frame unless a device is named.
    CliRun cli(const QStringList& args, const QString& device = {})
    {
        return runCli(dir.path(), device.isEmpty() ? served.device() : device, args);
    }
    // The line a side must print when the search found the frame's truth.
    static QByteArray truthLine(const sim::VirtualFrame& f, Side side, const char* verdict)
    {
        const sim::ModuleOptics t = f.opticsTruth(side);
        QByteArray line =
            QString::asprintf("%s: start line %u, columns 0..%u, exposure gain 0x%02x time "
                              "0x%02x, %s\n  segments:",
                              side == Side::Master ? "Master (left)" : "Slave (right)", t.startLine,
                              t.endColumn, t.exposureGain, t.exposureTime, verdict)
                .toLatin1();
        for (const sim::OptimumSegment& s : t.optimumLines)
            line += QString::asprintf(" (%u,%u,%u)", s.line, s.startColumn, s.endColumn).toLatin1();
        return line + "\n";
    }

    ScratchDir dir;
    ServedFrame served{dir.file("link")};
    std::shared_ptr<sim::VirtualFrame> frame = served.frame;
    std::unique_ptr<sim::FrameServer>& server = served.server;
};

TEST_F(ImagingCliTest, LevelPrintsTheFramesTruthAndQualified)
{
    const CliRun r = cli({"level"}, "sim:" + dir.file("frame.flash"));
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const sim::VirtualFrame truth; // a factory-fresh frame has the same bezel
    EXPECT_TRUE(r.out.contains(truthLine(truth, Side::Master, "qualified"))) << r.out.constData();
    EXPECT_TRUE(r.out.contains(truthLine(truth, Side::Slave, "qualified"))) << r.out.constData();
}

TEST_F(ImagingCliTest, LevelFollowsAMovedBezelAndSavesIt)
{
    sim::BezelTruth b = frame->bezel(Side::Master);
    b.startLine = 262;
    b.endColumn = 587;
    frame->setBezel(Side::Master, b);
    const CliRun r = cli({"level", "--save"});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(r.out.contains(truthLine(*frame, Side::Master, "qualified"))) << r.out.constData();
    EXPECT_TRUE(r.out.contains("start line 262, columns 0..587"));
    EXPECT_TRUE(r.out.endsWith("saved\n"));
    const std::vector<uint8_t> block = frame->readFlash(flash_map::kSensorBlock, 16);
    EXPECT_EQ(block[4] | block[5] << 8, 262);
    EXPECT_EQ(block[14] | block[15] << 8, 587);
    EXPECT_EQ(frame->mode(), 0x22) << "back in work mode";
}

TEST_F(ImagingCliTest, DarkStretchMakesThatSideNotQualifiedAndIsNotSaved)
{
    const std::vector<uint8_t> before = frame->readFlash(flash_map::kSensorBlock, 136);
    sim::BezelTruth b = frame->bezel(Side::Slave);
    b.startLine = 270;
    frame->setBezel(Side::Slave, b);
    frame->darkenBezel(Side::Slave, 350, 25);
    const CliRun r = cli({"level", "--save"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.contains(truthLine(*frame, Side::Master, "qualified"))) << r.out.constData();
    EXPECT_TRUE(r.out.contains("Slave (right): start line 270, columns 0..601"))
        << r.out.constData();
    EXPECT_TRUE(r.out.contains(", not qualified\n")) << r.out.constData();
    EXPECT_EQ(r.out.count("not qualified"), 1);
    EXPECT_TRUE(r.err.contains("not saved")) << r.err.constData();
    EXPECT_EQ(frame->readFlash(flash_map::kSensorBlock, 136), before);
}

TEST_F(ImagingCliTest, LevelFailuresSayWhichStepFailed)
{
    frame->hideStartLine(Side::Slave);
    CliRun r = cli({"level"});
    EXPECT_EQ(r.exitCode, 1);
    // The progress of the steps before, then the failure as the last line.
    EXPECT_TRUE(r.err.endsWith("\nvireto-cli: image-adjusting failed: the frame did not take the "
                               "start lines (Master 236, Slave 65535)\n"))
        << r.err.constData();
    EXPECT_TRUE(r.out.isEmpty());

    frame->clearFaults();
    frame->stickFpgaRegister(Side::Master, 0x36, 0xFF);
    r = cli({"level"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("the column search failed")) << r.err.constData();
    EXPECT_EQ(frame->mode(), 0x22) << "back in work mode after a failed column search";

    EXPECT_EQ(cli({"level", "--bogus"}).exitCode, 2);
}

TEST_F(ImagingCliTest, FindColumnTakesTheCornersAndTheFrameStoresThem)
{
    const QString sim = "sim:" + dir.file("frame.flash");
    CliRun r = cli({"find-column"}, sim);
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(r.out.contains("bottom-left corner taken\nbottom-right corner taken\n"));
    const QRegularExpression side("(Master \\(left\\)|Slave \\(right\\)): start column (\\d+), "
                                  "columns (\\d+)\\.\\.(\\d+)\n");
    std::vector<int> starts;
    for (auto it = side.globalMatch(QString::fromLatin1(r.out)); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        starts.push_back(m.captured(2).toInt());
        EXPECT_EQ(m.captured(3), m.captured(2)) << "the found column is the one in use";
        EXPECT_GE(m.captured(4).toInt(), 560);
    }
    ASSERT_EQ(starts.size(), 2u) << r.out.constData();
    EXPECT_TRUE(r.out.endsWith("stored\n"));
    std::string error;
    auto stored = sim::VirtualFrame::withFlashFile(dir.file("frame.flash").toStdString(), error);
    ASSERT_TRUE(stored) << error;
    const std::vector<uint8_t> block = stored->readFlash(flash_map::kSensorBlock, 80);
    EXPECT_EQ(block[12] | block[13] << 8, starts[0]);
    EXPECT_EQ(block[74] | block[75] << 8, starts[1]);
    EXPECT_LT(starts[0], 100);

    EXPECT_EQ(cli({"find-column"}).exitCode, 2) << "a real frame needs the desktop size";
    EXPECT_EQ(cli({"find-column", "--screen", "1920"}).exitCode, 2);
    frame->refuseCommand(0x0B);
    r = cli({"find-column", "--screen", "1920x1080"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("the frame did not answer the probe")) << r.err.constData();
    EXPECT_EQ(frame->mode(), 0x22) << "back in work mode";
}

TEST_F(ImagingCliTest, ImageGrabWritesPicturesThatShowTheBand)
{
    const CliRun r = cli({"image", "grab", dir.file("g")});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    for (Side side : {Side::Master, Side::Slave}) {
        const QString name = side == Side::Master ? "g_Master" : "g_Slave";
        const QImage image(dir.file(name + ".png"));
        ASSERT_EQ(image.width(), 640);
        ASSERT_EQ(image.height(), 64);
        const sim::ModuleOptics truth = frame->opticsTruth(side);
        for (const sim::OptimumSegment& s : truth.optimumLines) {
            const int x = (s.startColumn + s.endColumn) / 2;
            const int y = (s.line + 1) * 8 + 3; // the middle row of the band
            if (x < truth.endColumn) {
                EXPECT_GT(qGray(image.pixel(x, y)), 100) << name.toStdString() << " x " << x;
            }
            EXPECT_EQ(image.pixel(x, y), image.pixel(x, y - 3)) << "8 pixel rows per line";
        }
        EXPECT_LT(qGray(image.pixel(620, 30)), 40) << "beyond the end column";
        const QByteArray raw = dir.read(name + ".raw");
        ASSERT_EQ(raw.size(), 7040);
        EXPECT_EQ(static_cast<uint8_t>(raw[9 * 640]), 0) << "rows beyond 8 are not read";
        EXPECT_EQ(qGray(image.pixel(100, 17)), static_cast<uint8_t>(raw[2 * 640 + 100]));
    }
    EXPECT_EQ(cli({"image", "grab"}).exitCode, 2);
    EXPECT_EQ(cli({"image", "grab", "--lines", "12", dir.file("x")}).exitCode, 2);
    EXPECT_EQ(cli({"image", "snap", dir.file("x")}).exitCode, 2);
}

TEST_F(ImagingCliTest, SensorCableTestNamesTheBrokenLines)
{
    CliRun r = cli({"test", "sensor-cable"});
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(r.out.contains("every data line good"));
    frame->breakSensorDataLine(Side::Master, 5);
    frame->breakSensorDataLine(Side::Master, 1, true);
    r = cli({"test", "sensor-cable"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "The left sensor (1,5 bit) data cable connection anomaly!\n");
    EXPECT_EQ(frame->sensorRegister(Side::Master, 0x38), 0x11) << "normal output again";
}

TEST_F(ImagingCliTest, SensorRegisterTestPassesAndPutsTheRegistersBack)
{
    frame->setSensorRegister(Side::Slave, 0x10, 0x42);
    CliRun r = cli({"test", "sensor", "--passes", "3"});
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_EQ(r.out, "3 passes: no difference\n");
    EXPECT_EQ(frame->sensorRegister(Side::Slave, 0x10), 0x42);

    frame->driftSensorRegister(Side::Master, 0x07);
    r = cli({"test", "sensor", "--passes", "5"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.startsWith("pass 2: the sensor registers differ from pass 1\n"))
        << r.out.constData();
    // Register 7 was read once before the test (to be put back): pass 1 reads 7 + 1.
    EXPECT_TRUE(r.out.contains("L_First: 0 1 2 3 4 5 6 8 8")) << r.out.constData();
    EXPECT_TRUE(r.out.contains("L_Error: 0 1 2 3 4 5 6 9 8")) << r.out.constData();
}

TEST_F(ImagingCliTest, ImageTestComparesPassesAndRestoresTheOutput)
{
    CliRun r = cli({"test", "image", "--passes", "3"});
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_EQ(r.out, "3 passes: no difference\n");
    EXPECT_EQ(frame->sensorRegister(Side::Slave, 0x84), 0x70);
    EXPECT_FALSE(QFile::exists(dir.file("sensor-test_1_Master.dat")));
    EXPECT_EQ(cli({"test", "image", "--passes", "1"}).exitCode, 2);
    EXPECT_EQ(cli({"test", "colour"}).exitCode, 2);
}

TEST_F(ImagingCliTest, ADumpThatCannotBeWrittenIsNamed)
{
    auto imageReads = [this] {
        const auto log = frame->requestLog();
        return std::count_if(log.begin(), log.end(),
                             [](const auto& q) { return (q[1] & 0x3E) == 0; });
    };
    ASSERT_EQ(cli({"test", "image", "--passes", "2"}).exitCode, 0);
    const auto perPass = imageReads() / 2;
    frame->clearRequestLog();
    ASSERT_EQ(::symlink("/dev/full", dir.file("p1_Slave.dat").toLocal8Bit().constData()), 0);

    // Pass 1 is the reference; a data line that breaks after it makes a later pass differ.
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("VIRETO_TIME_SCALE", "0");
    p.setProcessEnvironment(env);
    p.start(QString(VIRETO_BIN_DIR) + "/vireto-cli",
            {"--device=unix:" + dir.file("link"), "test", "image", "--passes", "100000", "--dump",
             dir.file("p")});
    QElapsedTimer waited;
    waited.start();
    while (imageReads() <= perPass && waited.elapsed() < 30000)
        QThread::msleep(1);
    ASSERT_GT(imageReads(), perPass) << "the test never got past its first pass";
    frame->breakSensorDataLine(Side::Master, 3);
    ASSERT_TRUE(p.waitForFinished(60000));
    const QByteArray err = p.readAllStandardError();
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_TRUE(err.contains("cannot write " + dir.file("p1_Slave.dat").toLocal8Bit()))
        << err.constData();
    EXPECT_EQ(dir.read("p1_Master.dat").size(), 5760) << "the other dumps are written";
}

TEST_F(ImagingCliTest, HelpForTheImagingSubcommands)
{
    for (const char* sub : {"level", "image", "test"}) {
        const CliRun r = cli({sub, "--help"});
        EXPECT_EQ(r.exitCode, 0) << sub;
        EXPECT_TRUE(r.out.startsWith("usage: vireto-cli")) << sub;
    }
}

} // namespace
