// vireto-cli's service subcommands as processes: monitor, config, devinfo, firmware.
#include "codec/FirmwareImage.h"
#include "codec/FlashMap.h"
#include "sim/FrameServer.h"
#include "sim/SimBus.h"
#include "sim/VirtualFrame.h"
#include "tests/support/BoundedWait.h"
#include "tests/support/CliRunner.h"
#include "tests/support/FileFlags.h"
#include "tests/support/FirmwareFiles.h"
#include "tests/support/TempDir.h"

#include <QElapsedTimer>
#include <QProcess>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using Result = CliRun;

class CliServicesTest : public CliFolderTest {
protected:
    // A flash file of a frame that has never been leveled nor configured.
    void useBlankFrame()
    {
        sim::VirtualFrame blank(sim::VirtualFrame::Contents::Blank);
        const std::vector<uint8_t> image = blank.readFlash(0, 0x20000);
        dir.write("frame.flash", QByteArray(reinterpret_cast<const char*>(image.data()),
                                            static_cast<int>(image.size())));
    }
};

TEST_F(CliServicesTest, ConfigEnsureWritesTheDefaultsOnceAndShowPrintsThem)
{
    useBlankFrame();
    Result r = cli({"config", "show"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.startsWith("valid: no")) << r.out.constData();
    r = cli({"config", "ensure"});
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(r.out.contains("valid: yes (flag 0x41434946)"));
    EXPECT_TRUE(r.out.contains("calibration points: 8"));
    EXPECT_TRUE(r.out.contains("pen exposure time: 144 (scale 3)"));
    EXPECT_TRUE(cli({"config", "show"}).out.contains("valid: yes"));
    EXPECT_EQ(cli({"config", "erase"}).exitCode, 2);
}

TEST_F(CliServicesTest, ConfigSetRunsTheSettingsWindowsOkSteps)
{
    useBlankFrame();
    EXPECT_EQ(cli({"config", "set", "Screen_Size=8"}).exitCode, 2);
    EXPECT_EQ(cli({"config", "set", "Volume=3"}).exitCode, 2);
    EXPECT_EQ(cli({"config", "set"}).exitCode, 2);
    Result r = cli({"config", "set", "Screen_Size=6", "TouchType=3", "InfraredExpScale=5",
                    "InfraredExpGain=1f", "Screen_Direction=1", "Vertical_Mode=2"});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    r = cli({"config", "show"});
    EXPECT_TRUE(r.out.contains("valid: yes")) << "a frame without a record gets one";
    EXPECT_TRUE(r.out.contains("screen size: 6\n"));
    EXPECT_TRUE(r.out.contains("screen direction: 2\n"));
    EXPECT_TRUE(r.out.contains("pen exposure time: 176 (scale 5)\npen exposure gain: 31\n"));
    EXPECT_TRUE(r.out.contains("touch type: 3\n"));
    EXPECT_TRUE(r.out.contains("right click: mode 0, distance 16, time 576, frames 6"));
    const QByteArray ini = dir.read("Vireto.ini");
    EXPECT_TRUE(ini.contains("Screen_Size=6")) << ini.constData();
    EXPECT_TRUE(ini.contains("InfraredExpTime=0xb0"));
    // What the frame holds comes first: a second set keeps the first one's keys.
    ASSERT_EQ(cli({"config", "set", "SensorType=1"}).exitCode, 0);
    r = cli({"config", "show"});
    EXPECT_TRUE(r.out.contains("screen size: 6\n"));
    EXPECT_TRUE(r.out.contains("sensor type: 1"));
}

TEST_F(CliServicesTest, TwoDeviceInfoWritesGiveConsecutiveIdsAndTwoWorkbookRows)
{
    EXPECT_EQ(cli({"devinfo", "write"}).exitCode, 2) << "no values, no write";
    dir.write("DeviceInfo.ini",
              "[DeviceInfo]\nDeviceID=0x000000A0\nFactoryName=Plant7\nScreenWidth=1920\n"
              "ScreenHeight=1080\n");
    Result r = cli({"devinfo", "write"});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(r.out.contains("DeviceID: 0x000000A0"));
    r = cli({"devinfo", "write"});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(r.out.contains("DeviceID: 0x000000A1"));
    EXPECT_TRUE(r.out.contains("WriteCounter: 1"));
    EXPECT_TRUE(dir.read("DeviceInfo.ini").contains("DeviceID=0x000000A2"));
    EXPECT_EQ(dir.read("Vireto_DeviceInfo.rows").count('\n'), 2);
    // The row carries the Master camera's stored start line and exposure.
    std::string why;
    const auto optics = sim::VirtualFrame::withFlashFile(dir.file("frame.flash").toStdString(), why)
                            ->readFlash(flash_map::kSensorBlock + 4, 4);
    const QByteArray rowOptics = QString("\"0x%1\",\"0x%2\",%3,")
                                     .arg(optics[3], 2, 16, QChar('0'))
                                     .arg(optics[2], 2, 16, QChar('0'))
                                     .arg(optics[0] | optics[1] << 8)
                                     .toLatin1();
    EXPECT_NE(optics[0] | optics[1] << 8, 0);
    EXPECT_TRUE(dir.read("Vireto_DeviceInfo.rows").contains(rowOptics)) << rowOptics.constData();
    EXPECT_TRUE(dir.read("Vireto_DeviceInfo.xlsx").startsWith("PK"));
    EXPECT_TRUE(cli({"devinfo", "show"}).out.contains("FactoryName: Plant7"));

    dir.write("other.ini", "[DeviceInfo]\nDeviceID=0x00000500\n");
    r = cli({"devinfo", "write", "--from", dir.file("other.ini")});
    EXPECT_TRUE(r.out.contains("DeviceID: 0x00000500"));
    EXPECT_TRUE(dir.read("other.ini").contains("DeviceID=0x00000501"));

    // A values file that cannot take the next ID: no record, exit 1, ID where it was.
    FileFlagGuard frozen(dir.file("other.ini"), FS_IMMUTABLE_FL);
    if (!frozen.applied())
        GTEST_SKIP() << "file attributes cannot be set here";
    r = cli({"devinfo", "write", "--from", dir.file("other.ini")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("other.ini cannot be written")) << r.err.constData();
    EXPECT_TRUE(cli({"devinfo", "show"}).out.contains("DeviceID: 0x00000500"));
}

TEST_F(CliServicesTest, FirmwareUpdateBringsTheFrameBackWithTheNewVersion)
{
    useBlankFrame();
    dir.write("fw.bin", smallFirmwareFile());
    const Result r = cli({"firmware", "update", dir.file("fw.bin")});
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(r.out.contains("updated: image version 1.4.9"));
    // Progress on stderr only ever rises and ends at 100 %.
    std::vector<int> percents;
    for (const QByteArray& line : r.err.split('\n'))
        if (line.startsWith("firmware update: "))
            percents.push_back(line.mid(17, line.indexOf('%') - 17).toInt());
    ASSERT_FALSE(percents.empty()) << r.err.constData();
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end())) << r.err.constData();
    EXPECT_EQ(percents.back(), 100);
    EXPECT_FALSE(r.out.contains('%'));
    const Result status = cli({"status"});
    EXPECT_TRUE(status.out.contains("image version: 1.4.9"));
    EXPECT_TRUE(status.out.contains("boot loader version: 1.0.7"));
    EXPECT_TRUE(cli({"config", "show"}).out.startsWith("valid: yes"))
        << "the update leaves a record";

    dir.write("bad.bin", QByteArray(20, '\0'));
    const Result bad = cli({"firmware", "update", dir.file("bad.bin")});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_TRUE(bad.err.contains("The configuration file is incorrect")) << bad.err.constData();
}

TEST_F(CliServicesTest, MonitorPrintsTheCodesAsTheFrameComesAndGoes)
{
    ServedFrame served(dir.file("link"));
    sim::VirtualFrame* frame = served.frame.get();
    sim::FrameServer& server = *served.server;

    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("VIRETO_TIME_SCALE", "0.05");
    env.insert("VIRETO_HOME", dir.path());
    env.remove("VIRETO_DEVICE");
    p.setProcessEnvironment(env);
    p.start(QString(VIRETO_BIN_DIR) + "/vireto-cli",
            {"--device=unix:" + dir.file("link"), "monitor", "--codes", "4"});
    ASSERT_TRUE(p.waitForStarted());
    QByteArray out;
    auto waitFor = [&](const QByteArray& text) {
        QElapsedTimer t;
        t.start();
        while (!out.contains(text) && t.elapsed() < 10000) {
            p.waitForReadyRead(50);
            out += p.readAllStandardOutput();
        }
        return out.contains(text);
    };
    EXPECT_TRUE(waitFor("13  frame ready (product 0xCB12)"));
    frame->unplug();
    server.rescan();
    EXPECT_TRUE(waitFor("15  no frame"));
    frame->plug();
    server.rescan();
    EXPECT_TRUE(waitFor(" 7  frame found, checking"));
    ASSERT_TRUE(p.waitForFinished(10000));
    out += p.readAllStandardOutput();
    EXPECT_EQ(out.count('\n'), 4);
    EXPECT_TRUE(out.endsWith("13  frame ready (product 0xCB12)\n"));
    EXPECT_EQ(p.exitCode(), 0);
}

} // namespace
