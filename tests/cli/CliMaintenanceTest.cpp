// vireto-cli's maintenance subcommands as processes: script run, fpga download, flash
// dump and program, test flash.
#include "maintenance/FpgaCode.h"
#include "tests/support/CliRunner.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace {

class CliMaintenanceTest : public CliFolderTest {
protected:
    // The frame's whole flash, as the tool dumps it.
    QByteArray dump()
    {
        EXPECT_EQ(cli({"flash", "dump", "now.bin"}).exitCode, 0);
        return dir.read("now.bin");
    }
};

TEST_F(CliMaintenanceTest, ScriptRunPrintsTheLinesOfTheWindowAndChecksTheFileFirst)
{
    dir.write("s.ini", "1 i2cwd 19 1 3a\n1 # 5\n1 brd 01000019 1 r.bin\n1 brd 01000019 1 r.bin\n");
    CliRun r = cli({"script", "run", dir.file("s.ini")});
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_EQ(r.out, "Master: I2CWrite Addr: 0x0019  value: 0x3a\nDelay 5 ms!\nSuccess!\n");
    EXPECT_EQ(dir.read("r.bin"), QByteArray("\x3a\x3a"));

    r = cli({"script", "run", "--slave", dir.file("s.ini")});
    EXPECT_TRUE(r.out.startsWith("Slave: I2CWrite")) << r.out.constData();

    dir.write("bad.ini", "1 i2cwd 19 1 3a\n1 i2crd 19 2\n");
    r = cli({"script", "run", dir.file("bad.ini")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains("bad.ini, line 2: \"i2crd\": moves one byte")) << r.err.constData();
    EXPECT_EQ(cli({"script", "run", dir.file("absent.ini")}).exitCode, 2);

    dir.write("fails.ini", "1 srd 35\n");
    const ServedFrame served(dir.file("link"));
    served.frame->refuseCommand(0x06);
    r = cli({"script", "run", dir.file("fails.ini")}, served.device());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "Master: FPGASingleRead error\nSingleRead timeout exit, please try again!\n");
    EXPECT_EQ(served.frame->mode(), WorkMode) << "the command puts the frame back";
}

TEST_F(CliMaintenanceTest, FpgaDownloadWritesTheUnscrambledCodeAndRefusesOversizedFiles)
{
    QByteArray code(200, '\0');
    for (int i = 0; i < code.size(); ++i)
        code[i] = static_cast<char>(i);
    QByteArray file = code;
    fpga_code::unscramble(file);
    dir.write("f.bin", file);
    const CliRun r = cli({"fpga", "download", dir.file("f.bin")});
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(
        r.out.startsWith("The FPGA script begins to burn!\nWrite Slave Fapga process : 0\n"));
    EXPECT_TRUE(r.out.endsWith("Success!\nWrite FPGA Code 0KB Success!\n"));
    EXPECT_EQ(dump().left(200), code);

    dir.write("big.bin", QByteArray(0x10001, 'x'));
    const CliRun big = cli({"fpga", "download", dir.file("big.bin")});
    EXPECT_EQ(big.exitCode, 2);
    EXPECT_TRUE(big.err.contains("larger than the FPGA area")) << big.err.constData();
    EXPECT_EQ(dump().left(200), code);
}

TEST_F(CliMaintenanceTest, FlashDumpAndProgramGoRoundAndOnlyWholeImagesAreProgrammed)
{
    QByteArray image = dump();
    ASSERT_EQ(image.size(), 0x20000);
    EXPECT_EQ(cli({"flash", "program", dir.file("now.bin")}).exitCode, 0);
    EXPECT_EQ(dump(), image);
    image[0x1E123] = 0x42;
    dir.write("changed.bin", image);
    const CliRun r = cli({"flash", "program", dir.file("changed.bin")});
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_EQ(dump(), image);

    dir.write("short.bin", image.left(0x1FFFF));
    const CliRun shortImage = cli({"flash", "program", dir.file("short.bin")});
    EXPECT_EQ(shortImage.exitCode, 2);
    EXPECT_TRUE(shortImage.err.contains("131071 bytes, not the 131072"))
        << shortImage.err.constData();

    // A frame that goes in the middle of a dump: a failure, and no file.
    const ServedFrame served(dir.file("link"));
    served.frame->unplugAfterRequests(0x0A, 300);
    const CliRun lost = cli({"flash", "dump", "lost.bin"}, served.device());
    EXPECT_EQ(lost.exitCode, 1);
    EXPECT_TRUE(lost.err.contains("no file was written")) << lost.err.constData();
    EXPECT_FALSE(QFile::exists(dir.file("lost.bin")));
}

TEST_F(CliMaintenanceTest, TestFlashRunsItsCyclesAndChecksItsOptions)
{
    CliRun r = cli({"test", "flash", "--cycles", "2", "--wait", "0", "--skip", "exposure,lines"});
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_EQ(r.out, "cycle 1\ncycle 2\n2 cycles: both flashes equal the reference outside the "
                     "skipped parts\n");
    EXPECT_EQ(dir.read("flash-test_2_Flash_Slave.bin").size(), 0x20000);
    EXPECT_EQ(cli({"test", "flash", "--skip", "everything"}).exitCode, 2);
    EXPECT_EQ(cli({"test", "flash", "--cycles", "0"}).exitCode, 2);
}

} // namespace
