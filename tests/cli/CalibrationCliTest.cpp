// vireto-cli calibrate, calib and keys as processes on a virtual frame kept in a flash
// file, so that one run's record is the next run's input.
#include "cli/CalibrationCli.h"
#include "codec/CalibrationRecord.h"
#include "codec/FlashMap.h"
#include "sim/VirtualFrame.h"
#include "tests/support/BoundedWait.h"
#include "tests/support/CliRunner.h"
#include "tests/support/TempDir.h"

#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

class CalibrationCli : public CliFolderTest {
protected:
    CalibrationRecord storedRecord()
    {
        const auto bytes = flashOf(flash_map::kSensorBlock + 136, CalibrationRecord::kSize);
        if (bytes.size() != CalibrationRecord::kSize) {
            ADD_FAILURE() << "the frame's flash file cannot be read";
            return {};
        }
        return CalibrationRecord::decode(bytes.data());
    }
};

struct Figures {
    double mean = -1;
    double largest = -1;
    double floorMean = -1;
    double floorLargest = -1;
};

Figures figuresOf(const QByteArray& out)
{
    Figures f;
    const QRegularExpression cal("calibration: +mean ([0-9.]+) px, largest ([0-9.]+) px");
    const QRegularExpression floor(
        "floor of the sensor rounding: mean ([0-9.]+) px, largest ([0-9.]+) px");
    const auto a = cal.match(QString::fromUtf8(out));
    const auto b = floor.match(QString::fromUtf8(out));
    if (a.hasMatch() && b.hasMatch()) {
        f.mean = a.captured(1).toDouble();
        f.largest = a.captured(2).toDouble();
        f.floorMean = b.captured(1).toDouble();
        f.floorLargest = b.captured(2).toDouble();
    }
    return f;
}

void expectAccurate(const Figures& f)
{
    ASSERT_GE(f.mean, 0);
    EXPECT_LE(f.mean, f.floorMean + 1.5);
    EXPECT_GE(f.largest, f.mean);
}

TEST(CalibrationCliParsing, ScreenSizes)
{
    int w = 0;
    int h = 0;
    EXPECT_TRUE(calibration_cli::parseScreen("1920x1080", w, h));
    EXPECT_EQ(w, 1920);
    EXPECT_EQ(h, 1080);
    EXPECT_TRUE(calibration_cli::parseScreen("1024X768", w, h));
    EXPECT_FALSE(calibration_cli::parseScreen("0x768", w, h));
    EXPECT_FALSE(calibration_cli::parseScreen("1920", w, h));
    EXPECT_FALSE(calibration_cli::parseScreen("40000x10", w, h));
}

TEST_F(CalibrationCli, HelpAndBadArguments)
{
    for (const char* sub : {"calibrate", "calib", "keys"}) {
        const CliRun r = cli({sub, "--help"});
        EXPECT_EQ(r.exitCode, 0) << sub;
        EXPECT_TRUE(r.out.contains("usage: vireto-cli")) << sub;
    }
    EXPECT_EQ(cli({"calibrate", "--points", "5"}).exitCode, 2);
    EXPECT_EQ(cli({"calibrate", "--screen", "12"}).exitCode, 2);
    EXPECT_EQ(cli({"calib", "verify", "--points", "0"}).exitCode, 2);
    EXPECT_EQ(cli({"calib", "frobnicate"}).exitCode, 2);
    EXPECT_EQ(cli({"keys"}).exitCode, 2);
}

TEST_F(CalibrationCli, SixteenPointsThenVerifyThenFourPointsThenVerify)
{
    CliRun r = cli({"calibrate"});
    ASSERT_TRUE(
        succeededPrinting(r, {"16-point calibration of a 1920 x 1080 desktop", "target 16 of 16",
                              "stored.", "x-scale R 1.0000 (r_fix 1024)"}));
    // Progress is read when its code arrives, so a fast computation may skip steps.
    EXPECT_TRUE(r.err.contains("calibrate: computing and storing: "));
    EXPECT_TRUE(r.err.contains("virtual operator"));
    EXPECT_EQ(storedRecord().r_fix, 1024);

    r = cli({"calib", "verify", "--points", "100"});
    ASSERT_TRUE(succeededPrinting(r, {"100 touches on a 1920 x 1080 desktop"}));
    expectAccurate(figuresOf(r.out));

    const CalibrationRecord full = storedRecord();
    r = cli({"calibrate", "--points", "4"});
    ASSERT_TRUE(succeededPrinting(r, {"target 4 of 4", "whole-screen map"}));
    EXPECT_EQ(storedRecord().EvalPt, full.EvalPt);

    r = cli({"calib", "verify"});
    ASSERT_TRUE(succeededPrinting(r, {"200 touches"}));
    expectAccurate(figuresOf(r.out));
}

TEST_F(CalibrationCli, ShowAndDelete)
{
    ASSERT_EQ(cli({"calibrate", "--screen", "1024x768"}).exitCode, 0);
    CliRun r = cli({"calib", "show"});
    ASSERT_TRUE(succeededPrinting(r, {"optics: Master start line", "desktop 1024 x 768",
                                      "left camera : position (", "    15  (  960,   744)",
                                      "Left keys: 0"}));

    r = cli({"calib", "delete"});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_EQ(storedRecord().r_fix, 0);
    r = cli({"calib", "show"});
    EXPECT_TRUE(r.out.contains("holds no 16-point calibration")) << r.out.constData();
    r = cli({"calibrate", "--points", "4"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("Please first 16 point calibration!")) << r.err.constData();
    EXPECT_EQ(cli({"calib", "verify"}).exitCode, 1);
}

TEST_F(CalibrationCli, KeysCalibrateAndShow)
{
    dir.write("Vireto.ini", "[Left_Key]\nGroupCnt=2\nGroup1_Num=3\nGroup2_Num=2\n"
                            "[Right_Key]\nGroupCnt=1\nGroup1_Num=5\n"
                            "[Bottom_Key]\nGroupCnt=1\nGroup1_Num=2\n");
    dir.write("Vireto_Key.ini", "[Key_Value]\nKeyCnt=3\nKey_1=1A04\nKey_2=20\n");
    EXPECT_EQ(cli({"keys", "calibrate"}).exitCode, 1); // no touch calibration yet
    ASSERT_EQ(cli({"calibrate"}).exitCode, 0);
    CliRun r = cli({"keys", "calibrate"});
    ASSERT_TRUE(
        succeededPrinting(r, {"key calibration: 12 corners", "Left key 5: (", "Bottom key 2: ("}));
    r = cli({"keys", "show"});
    ASSERT_TRUE(
        succeededPrinting(r, {"key codes: 3", "Key_1 = 1A04", "Key_3 = 0255", "Right key 5: ("}));
    // The virtual frame's keys are pressed in turn; each is printed as the frame reports it.
    r = cli({"keys", "test"});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    for (const char* key : {"Left key 1\n", "Left key 5\n", "Right key 5\n", "Bottom key 2\n"})
        EXPECT_TRUE(r.out.contains(key)) << key << r.out.constData();
    EXPECT_TRUE(r.out.endsWith("12 keys pressed\n")) << r.out.constData();
    EXPECT_EQ(cli({"keys", "test", "--seconds", "0"}).exitCode, 2);

    dir.write("Vireto.ini", "[Top_Key]\nGroupCnt=1\nGroup1_Num=3\n");
    r = cli({"keys", "calibrate"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("Top_Key has 3 keys")) << r.err.constData();
}

} // namespace
