#include "maintenance/RegisterScript.h"
#include "maintenance/ScriptRun.h"

#include "tests/support/FrameHarness.h"

#include <gtest/gtest.h>

namespace {

class ScriptTest : public FrameTest {
protected:
    // Runs the script text as a file beside its burst files; codes and lines as a window
    // would receive them.
    void run(const QByteArray& text, bool useSlave = false)
    {
        host->home.write("s.ini", text);
        runPath(host->home.file("s.ini"), useSlave);
    }
    void runPath(const QString& path, bool useSlave = false)
    {
        frame->clearRequestLog();
        ReportedLines reported;
        ScriptRun(*device, path, useSlave, reported, stop, [&](int code) {
            codes.push_back(code);
            lines += reported.take();
        }).run();
    }
    // Command bytes the frame received, without the mode switches.
    std::vector<uint8_t> registerCommands() const
    {
        std::vector<uint8_t> out;
        for (const auto& r : frame->requestLog())
            if (r[1] != 0x0E)
                out.push_back(r[1]);
        return out;
    }

    std::atomic<int> stop{0};
    std::vector<int> codes;
    QStringList lines;
};

TEST_F(ScriptTest, EnabledLinesRunInOrderAndLogTheirAccesses)
{
    frame->setFpgaRegister(Side::Master, 0x35, 0x5C);
    run("this line is a comment\n"
        "0 i2cwd 19 1 3a\n"
        "1 i2cwd 19 1 3a   trailing words are ignored\n"
        "1 i2crd 0x19 1\n"
        "1 # 100\n"
        "1 srd 35\n"
        "1 pwd 36 1f 1\n"
        "1 prd 36 1\n"
        "1 frobnicate 1 2 3\n"
        "2 pwd 36 00 1\n");
    EXPECT_EQ(codes, (std::vector<int>{32, 31, 27, 13, 15, 21, 30}));
    EXPECT_EQ(lines, (QStringList{"Master: I2CWrite Addr: 0x0019  value: 0x3a",
                                  "Master: I2C_Read Addr: 0x0019  value: 0x3a", "Delay 100 ms!",
                                  "Master: FPGASingleRead Addr: 0x0035  value: 0x5c",
                                  "Master: FPGAPortWrite Addr: 0x0036  value: 0x1f",
                                  "Master: FPGAPortRead Addr: 0x0036  value: 0x1f", "Success!"}));
    EXPECT_EQ(frame->sensorRegister(Side::Master, 0x19), 0x3A);
    EXPECT_EQ(frame->fpgaRegister(Side::Master, 0x36), 0x1F) << "the flag-2 line was skipped";
    // sensor write and read, single read, port write, port read: the Master codes.
    EXPECT_EQ(registerCommands(), (std::vector<uint8_t>{0x07, 0x08, 0x06, 0x04, 0x05}));
    EXPECT_EQ(frame->mode(), WorkMode) << "back in work mode after Success!";
}

TEST_F(ScriptTest, TheSlaveBoxReachesTheSlaveWhereTheAddressIsNotWrittenOut)
{
    frame->setFpgaRegister(Side::Master, 0x36, 0x44);
    run("1 srd 35\n1 i2cwd 19 1 3b\n1 pwd 36 01 1\n1 prd 10000036 1\n1 prd 36 1\n", true);
    EXPECT_EQ(registerCommands(), (std::vector<uint8_t>{0x19, 0x1A, 0x17, 0x18, 0x05}))
        << "srd, i2cwd and pwd follow the box; prd only its own bit 28";
    EXPECT_EQ(frame->sensorRegister(Side::Slave, 0x19), 0x3B);
    EXPECT_TRUE(lines.contains("Slave: FPGAPortRead Addr: 0x0036  value: 0x01"));
    EXPECT_TRUE(lines.contains("Master: FPGAPortRead Addr: 0x0036  value: 0x44"));
}

TEST_F(ScriptTest, AScriptWithoutExecutableLinesOnlySucceeds)
{
    run("# nothing\n0 srd 35\n\n");
    EXPECT_EQ(codes, std::vector<int>{30});
    EXPECT_EQ(lines, QStringList{"Success!"});
    EXPECT_TRUE(registerCommands().empty());
}

TEST_F(ScriptTest, BurstReadsOfOneFileAppendAndANewRunStartsItAfresh)
{
    frame->writeFlash(0x1E000, {1, 2, 3, 4, 5, 6, 7, 8});
    const QByteArray script = "1 brd 0201E000 4 dump.bin\n1 brd 0201E004 2 dump.bin\n";
    run(script);
    EXPECT_EQ(codes, std::vector<int>{30}) << "burst reads report nothing of their own";
    EXPECT_EQ(host->home.read("dump.bin"), QByteArray("\x01\x02\x03\x04\x05\x06", 6));
    codes.clear();
    run(script);
    EXPECT_EQ(host->home.read("dump.bin").size(), 6) << "the next run's first brd truncates";
}

TEST_F(ScriptTest, BurstWriteTakesCountBytesFromTheFileOffsetToTheAddressWord)
{
    host->home.write("code.bin", "ABCDEFGHIJ");
    run("1 bwd 4 0201F100 3 code.bin\n1 bwd 2 0201F104 0 code.bin\n");
    ASSERT_EQ(codes, std::vector<int>{30}) << lines.join('|').toStdString();
    EXPECT_EQ(frame->readFlash(0x1F100, 6), (std::vector<uint8_t>{'D', 'E', 'F', 'G', 'A', 'B'}));

    codes.clear();
    lines.clear();
    run("1 bwd 4 0201F200 8 code.bin\n");
    EXPECT_EQ(codes, std::vector<int>{26}) << "the file ends before the range";
    EXPECT_EQ(lines.value(0), "BurstWrite timeout exit, please try again!");
    EXPECT_TRUE(lines.value(1).startsWith("line 1: ")) << lines.join('|').toStdString();
}

TEST_F(ScriptTest, AMissingScriptFailsToOpenAndLeavesCalibrationMode)
{
    runPath(host->home.file("absent.ini"));
    EXPECT_EQ(codes, std::vector<int>{20});
    EXPECT_EQ(lines, QStringList{"Script Open Fail!"});
    EXPECT_EQ(frame->mode(), CalibrationMode);
}

TEST_F(ScriptTest, ALineThatDoesNotParseStopsTheScriptBeforeAnythingIsSent)
{
    for (const QByteArray& bad :
         {QByteArray("1 prd 35 2\n"), QByteArray("1 i2crd 19 2\n"), QByteArray("1 pwd 36 1ff 1\n"),
          QByteArray("1 brd 35 4 a_name_of_16_char\n"), QByteArray("1 brd 35 281 d.bin\n"),
          QByteArray("1 bwd 133 35 0 d.bin\n"), QByteArray("1 srd 1zz\n"), QByteArray("1 pwd 36\n"),
          QByteArray("1 brd 03000000 4 d.bin\n"), QByteArray("1 i2cwd 100 1 3\n")}) {
        codes.clear();
        lines.clear();
        run("1 pwd 36 1f 1\n\n" + bad + "1 pwd 36 2f 1\n");
        EXPECT_EQ(codes, std::vector<int>{34}) << bad.constData();
        EXPECT_TRUE(lines.value(0).startsWith("Script line 3: \"")) << lines.value(0).toStdString();
        EXPECT_TRUE(registerCommands().empty()) << bad.constData();
    }
    EXPECT_TRUE(lines.value(0).contains("0x100")) << lines.value(0).toStdString();
}

TEST_F(ScriptTest, AFailedAccessEndsTheScriptWithItsCode)
{
    frame->refuseCommand(0x06);
    run("1 pwd 36 1f 1\n1 srd 35\n1 pwd 36 2f 1\n");
    EXPECT_EQ(codes, (std::vector<int>{15, 24}));
    EXPECT_EQ(lines.mid(1), (QStringList{"Master: FPGASingleRead error",
                                         "SingleRead timeout exit, please try again!"}));
    EXPECT_EQ(frame->fpgaRegister(Side::Master, 0x36), 0x1F) << "nothing after the failure";
}

TEST_F(ScriptTest, AFrameUnpluggedMidScriptIsAFailure)
{
    frame->unplugAfterRequests(0x04, 2);
    run("1 pwd 36 1f 1\n1 pwd 36 2f 1\n1 pwd 36 3f 1\n");
    EXPECT_EQ(codes, (std::vector<int>{15, 23})) << "the second write loses the frame";
    EXPECT_EQ(g_bDevExist, 0);

    // Gone between two lines (during a delay): the run says so.
    host->frame->plug();
    ASSERT_TRUE(host->reopen());
    codes.clear();
    lines.clear();
    host->home.write("s.ini", "1 # 5\n1 pwd 36 1f 1\n");
    ReportedLines reported;
    ScriptRun(*device, host->home.file("s.ini"), false, reported, stop, [&](int code) {
        codes.push_back(code);
        lines += reported.take();
        if (code == kScriptDelay)
            g_bDevExist = 0;
    }).run();
    EXPECT_EQ(codes, (std::vector<int>{27, 34}));
    EXPECT_EQ(lines.value(1), "Script stopped before line 2: the frame was lost");
}

} // namespace
