// vireto-cli's conventions as a script sees them: streams and exit codes, --version,
// --json, one process per frame, SIGINT and SIGTERM at several points of long work, and a
// recorded session replayed.
#include "codec/FirmwareImage.h"
#include "codec/FlashMap.h"
#include "device/CommandCodes.h"
#include "device/Delay.h"
#include "tests/support/BoundedWait.h"
#include "tests/support/CliRunner.h"
#include "tests/support/FirmwareFiles.h"
#include "tests/support/TempDir.h"
#include "transport/SimScene.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>

namespace {

class CliConventionsTest : public CliFolderTest {
protected:
    // vireto-cli started against the served frame, left running.
    void start(QProcess& p, const QStringList& args)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("VIRETO_TIME_SCALE", "0");
        env.insert("VIRETO_HOME", dir.path());
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(dir.path());
        p.start(QString(VIRETO_BIN_DIR) + "/vireto-cli",
                QStringList{"--device=" + served.device()} + args);
        ASSERT_TRUE(p.waitForStarted(bounded::kGiveUpMs));
    }

    // Sends signal once ready() holds, then waits for the end.
    void interruptWhen(QProcess& p, const std::function<bool()>& ready, int signal = SIGINT)
    {
        ASSERT_TRUE(bounded::eventually(ready))
            << "the moment to interrupt never came: " << p.readAllStandardError().constData();
        ::kill(static_cast<pid_t>(p.processId()), signal);
        ASSERT_TRUE(p.waitForFinished(bounded::kGiveUpMs)) << "vireto-cli did not stop";
    }

    bool inCalibrationMode() const { return served.frame->mode() == CalibrationMode; }

    QByteArray flashAt(uint32_t address, size_t length) const
    {
        const std::vector<uint8_t> bytes = served.frame->readFlash(address, length);
        return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                          static_cast<qsizetype>(bytes.size()));
    }

    void SetUp() override { delay::setTimeScale(0); } // the served frame restarts at once
    void TearDown() override { delay::setTimeScale(1); }

    ServedFrame served{dir.file("link")};
};

QJsonObject jsonLine(const QByteArray& out)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(out.trimmed(), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << out.constData();
    EXPECT_EQ(out.count('\n'), 1) << "one object per line: " << out.constData();
    return doc.object();
}

TEST_F(CliConventionsTest, UsageErrorsGoToStderrWithExitTwoAndHelpToStdout)
{
    for (const QStringList& args :
         {QStringList{}, QStringList{"frobnicate"}, QStringList{"--bogus", "status"},
          QStringList{"mode"}, QStringList{"flash"}, QStringList{"monitor", "--codes"},
          QStringList{"calibrate", "--points=5"}, QStringList{"--record"}}) {
        const CliRun r = cli(args);
        EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << args.join(' ').toStdString() << ": " << r.out.constData();
        EXPECT_FALSE(r.err.isEmpty()) << args.join(' ').toStdString();
    }
    const CliRun bad = cli({"status"}, "usb:1");
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_TRUE(bad.err.contains("replay:FILE")) << bad.err.constData();

    const CliRun help = cli({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.startsWith("usage: vireto-cli")) << help.out.constData();
    EXPECT_TRUE(help.err.isEmpty());

    // One version for every program, from the build.
    const CliRun version = cli({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.trimmed(), QByteArray("vireto-cli ") + VIRETO_VERSION);
    QProcess framesim;
    framesim.start(QString(VIRETO_BIN_DIR) + "/vireto-framesim", {"--version"});
    ASSERT_TRUE(framesim.waitForFinished(bounded::kGiveUpMs));
    EXPECT_EQ(framesim.exitCode(), 0);
    EXPECT_EQ(framesim.readAllStandardOutput().trimmed(),
              QByteArray("vireto-framesim ") + VIRETO_VERSION);

    // --opt VALUE and --opt=VALUE are one option, for the program and its subcommands.
    const CliRun spaced = cli({"monitor", "--codes", "1"}, served.device());
    const CliRun joined = cli({"monitor", "--codes=1"}, served.device());
    EXPECT_EQ(spaced.exitCode, 0) << spaced.err.constData();
    EXPECT_EQ(joined.exitCode, 0) << joined.err.constData();
    EXPECT_EQ(spaced.out.count('\n'), 1);
    EXPECT_EQ(joined.out.count('\n'), 1);
}

TEST_F(CliConventionsTest, JsonGivesOneParsableObjectPerLine)
{
    QJsonObject o = jsonLine(cli({"--json", "status"}).out);
    EXPECT_EQ(o.value("mode").toString(), "work");
    EXPECT_EQ(o.value("product").toString(), "0xCB12");
    EXPECT_EQ(o.value("running").toString(), "application");

    o = jsonLine(cli({"config", "show", "--json"}).out);
    EXPECT_TRUE(o.value("valid").toBool());
    EXPECT_EQ(o.value("calibrationPoints").toInt(), 8);
    EXPECT_EQ(o.value("penExposureScale").toInt(), 3);

    o = jsonLine(cli({"--json", "devinfo", "show"}).out);
    EXPECT_FALSE(o.value("valid").toBool()) << "the virtual frame has no device information";

    o = jsonLine(cli({"--json", "level"}).out);
    EXPECT_TRUE(o.value("qualified").toBool());
    EXPECT_EQ(o.value("master").toObject().value("segments").toArray().size(), 8);
    EXPECT_GT(o.value("slave").toObject().value("startLine").toInt(), 0);

    ASSERT_EQ(cli({"calibrate"}).exitCode, 0);
    o = jsonLine(cli({"--json", "calib", "show"}).out);
    EXPECT_EQ(o.value("calibration").toObject().value("targets").toArray().size(), 16);
    o = jsonLine(cli({"--json", "calib", "verify", "--points", "6"}).out);
    EXPECT_EQ(o.value("touches").toInt(), 6);
    EXPECT_LT(o.value("largest").toDouble(), 10.0);

    o = jsonLine(cli({"--json", "monitor", "--codes", "1"}, served.device()).out);
    EXPECT_EQ(o.value("code").toInt(), 13);
    EXPECT_EQ(o.value("meaning").toString(), "frame ready");
}

TEST_F(CliConventionsTest, ASecondProcessWaitsThenNamesTheOneHoldingTheFrame)
{
    QProcess first;
    start(first, {"test", "image", "--passes", "1000"});
    ASSERT_TRUE(bounded::eventually([&] { return inCalibrationMode(); }));
    const CliRun second = cli({"status"}, served.device());
    EXPECT_EQ(second.exitCode, 3);
    EXPECT_TRUE(second.err.contains(
        QStringLiteral("in use by vireto-cli (process %1)").arg(first.processId()).toUtf8()))
        << second.err.constData();
    EXPECT_TRUE(inCalibrationMode()) << "the first process's work was not disturbed";
    interruptWhen(first, [] { return true; });
    EXPECT_EQ(cli({"status"}, served.device()).exitCode, 0) << "the lock ends with its process";
}

TEST_F(CliConventionsTest, SignalsStopTheImageTestAndCalibrationInWorkMode)
{
    struct Case {
        QStringList args;
        int signal;
        int afterMs; // after the frame entered calibration mode
    };
    const QByteArray blockBefore = flashAt(flash_map::kSensorBlock, flash_map::kSensorBlockSize);
    // Without an operator, calibration waits for touches until it is stopped.
    for (const Case& c : {Case{{"test", "image", "--passes", "1000"}, SIGINT, 0},
                          Case{{"test", "image", "--passes", "1000"}, SIGTERM, 150},
                          Case{{"calibrate", "--screen", "1920x1080"}, SIGINT, 0},
                          Case{{"calibrate", "--screen", "1920x1080"}, SIGTERM, 150}}) {
        served.frame->setBusyPolls(4); // a frame that takes its time, so that work lasts
        const std::string what =
            c.args.join(' ').toStdString() + " after " + std::to_string(c.afterMs) + " ms";
        QProcess p;
        start(p, c.args);
        QElapsedTimer since;
        interruptWhen(
            p,
            [&] {
                if (inCalibrationMode() && !since.isValid())
                    since.start();
                return since.isValid() && since.elapsed() >= c.afterMs;
            },
            c.signal);
        EXPECT_EQ(p.exitCode(), 128 + c.signal) << what << p.readAllStandardError().constData();
        EXPECT_EQ(served.frame->mode(), WorkMode) << what;
        // The block is as it was, or holds a whole new calibration.
        const QByteArray block = flashAt(flash_map::kSensorBlock, flash_map::kSensorBlockSize);
        if (block != blockBefore) {
            served.frame->setBusyPolls(0);
            const QJsonObject shown =
                jsonLine(cli({"--json", "calib", "show"}, served.device()).out);
            EXPECT_TRUE(shown.contains("calibration")) << what;
        }
    }
}

TEST_F(CliConventionsTest, SignalsStopFlashProgramBetweenSectorsAndLetAFirmwareUpdateFinish)
{
    // The new image: the same flash with another configuration record and sensor block.
    QByteArray image = flashAt(0, flash_map::kFlashSize);
    const QByteArray oldRecord = image.mid(flash_map::kConfigRecord, flash_map::kConfigRecordSize);
    const QByteArray oldBlock = image.mid(flash_map::kSensorBlock, flash_map::kSensorBlockSize);
    image[flash_map::kConfigRecord + 4] = 5;
    image[flash_map::kSensorBlock + 4] = static_cast<char>(image[flash_map::kSensorBlock + 4] ^ 1);
    dir.write("image.bin", image);
    const QByteArray newRecord = image.mid(flash_map::kConfigRecord, flash_map::kConfigRecordSize);
    const QByteArray newBlock = image.mid(flash_map::kSensorBlock, flash_map::kSensorBlockSize);

    for (const bool early : {true, false}) {
        QProcess p;
        start(p, {"flash", "program", dir.file("image.bin")});
        interruptWhen(p, [&] {
            return early
                       ? inCalibrationMode()
                       : flashAt(flash_map::kSensorBlock, flash_map::kSensorBlockSize) == newBlock;
        });
        EXPECT_EQ(p.exitCode(), 130) << p.readAllStandardError().constData();
        EXPECT_EQ(served.frame->mode(), WorkMode);
        // Every record is the old one or the new one, never a mixture.
        const QByteArray record = flashAt(flash_map::kConfigRecord, flash_map::kConfigRecordSize);
        EXPECT_TRUE(record == oldRecord || record == newRecord) << "early " << early;
        const QByteArray block = flashAt(flash_map::kSensorBlock, flash_map::kSensorBlockSize);
        EXPECT_TRUE(block == oldBlock || block == newBlock) << "early " << early;
    }

    // A firmware update is not left half-way: it ends with the frame back in its
    // application, then the process reports the signal.
    dir.write("fw.bin", smallFirmwareFile(300, 20000));
    QProcess update;
    start(update, {"firmware", "update", dir.file("fw.bin")});
    interruptWhen(update, [&] { return served.frame->inBootLoader(); });
    const QByteArray updateErr = update.readAllStandardError() + update.readAllStandardOutput();
    EXPECT_EQ(update.exitCode(), 130) << updateErr.constData();
    EXPECT_FALSE(served.frame->inBootLoader());
    const CliRun status = cli({"status"}, served.device());
    EXPECT_TRUE(status.out.contains("image version: 1.4.9")) << updateErr.constData();
}

TEST_F(CliConventionsTest, ARecordedCalibrationReplaysToTheSameStoredRecord)
{
    const CliRun recorded =
        cli({"--record", dir.file("session.jsonl"), "calibrate", "--screen", "1920x1080"});
    ASSERT_EQ(recorded.exitCode, 0) << recorded.err.constData();
    const QList<QByteArray> lines = dir.read("session.jsonl").trimmed().split('\n');
    ASSERT_GT(lines.size(), 100);
    const QJsonObject first = QJsonDocument::fromJson(lines.first()).object();
    EXPECT_EQ(first.value("op").toString(), "open");
    EXPECT_TRUE(first.contains("t"));

    // The replay answers as the frame did: the same record, printed the same way.
    const CliRun replayed = runCli(dir.path(), "replay:" + dir.file("session.jsonl"),
                                   {"calibrate", "--screen", "1920x1080"});
    EXPECT_EQ(replayed.exitCode, 0) << replayed.err.constData();
    const auto storedPart = [](const QByteArray& out) { return out.mid(out.indexOf("stored.")); };
    ASSERT_TRUE(recorded.out.contains("stored."));
    EXPECT_EQ(storedPart(replayed.out), storedPart(recorded.out));

    // A tool that departs from the recording fails instead of inventing answers.
    const CliRun departed =
        runCli(dir.path(), "replay:" + dir.file("session.jsonl"), {"calibrate", "--points", "4"});
    EXPECT_NE(departed.exitCode, 0);
    dir.write("broken.jsonl", "{\"op\":\"open\"}\nnot json\n");
    const CliRun broken = runCli(dir.path(), "replay:" + dir.file("broken.jsonl"), {"status"});
    EXPECT_EQ(broken.exitCode, 3);
    EXPECT_TRUE(broken.err.contains("broken.jsonl:2")) << broken.err.constData();
}

} // namespace
