#include "maintenance/FpgaDownload.h"
#include "maintenance/FpgaCode.h"
#include "maintenance/MaintenanceState.h"

#include "codec/ByteOrder.h"
#include "tests/support/FrameHarness.h"

#include <gtest/gtest.h>

namespace {

// The file bytes of code: scrambled as the FPGA code files are made.
QByteArray scrambled(QByteArray code)
{
    fpga_code::unscramble(code);
    return code;
}

QByteArray pattern(int length)
{
    QByteArray b(length, '\0');
    for (int i = 0; i < length; ++i)
        b[i] = static_cast<char>(i * 13 + 7);
    return b;
}

class FpgaDownloadTest : public FrameTest {
protected:
    void SetUp() override
    {
        FrameTest::SetUp();
        resetMaintenanceState();
    }
    void download(const QByteArray& fileBytes)
    {
        host->home.write("fpga.bin", fileBytes);
        downloadPath(host->home.file("fpga.bin"));
    }
    void downloadPath(const QString& path)
    {
        codes.clear();
        lines.clear();
        frame->clearRequestLog();
        ReportedLines reported;
        FpgaDownload(*device, path, reported, stop, [&](int code) {
            codes.push_back(code);
            lines += reported.take();
        }).run();
    }
    // The flash requests (erase 0x0D, write 0x09) as (command, address, count).
    std::vector<std::array<uint32_t, 3>> flashRequests() const
    {
        std::vector<std::array<uint32_t, 3>> out;
        for (const auto& r : frame->requestLog())
            if (r[1] == 0x0D || r[1] == 0x09)
                out.push_back({r[1], le::u24(&r[2]), r[5]});
        return out;
    }
    std::vector<uint8_t> flash(uint32_t length) const { return frame->readFlash(0, length); }

    std::atomic<int> stop{0};
    std::vector<int> codes;
    QStringList lines;
};

TEST_F(FpgaDownloadTest, TheKeyStartsAtItsSeedAndRotatesLeftThroughTheFile)
{
    QByteArray zeros(10, '\0');
    fpga_code::unscramble(zeros);
    EXPECT_EQ(zeros.toHex(), "a54b962d5ab469d2a54b");
    QByteArray tail(2, '\0');
    fpga_code::unscramble(tail, 9);
    EXPECT_EQ(tail.toHex(), "4b96") << "the key of a later part runs on from its offset";
}

TEST_F(FpgaDownloadTest, SixtyFourBytesAreTwoChunksPerModuleAtConsecutiveAddresses)
{
    const QByteArray code = pattern(64);
    download(scrambled(code));
    using R = std::array<uint32_t, 3>;
    const std::vector<R> perModule{{0x0D, 0, 1}, {0x09, 0, 32}, {0x09, 32, 30}, {0x09, 62, 2}};
    std::vector<R> expected = perModule;
    expected.insert(expected.end(), perModule.begin(), perModule.end());
    EXPECT_EQ(flashRequests(), expected);
    EXPECT_EQ(flash(64), std::vector<uint8_t>(code.begin(), code.end()));
    EXPECT_EQ(frame->readFlash(64, 4), std::vector<uint8_t>(4, 0xFF));
    EXPECT_EQ(codes, (std::vector<int>{17, 33, 33, 17, 33, 33, 19}));
    EXPECT_EQ(lines,
              (QStringList{"The FPGA script begins to burn!", "Write Slave Fapga process : 0",
                           "Write Slave Fapga process : 0", "The FPGA script begins to burn!",
                           "Write Master Fapga process : 0", "Write Master Fapga process : 0",
                           "Success!", "Write FPGA Code 0KB Success!"}));
    EXPECT_EQ(frame->mode(), WorkMode);
    EXPECT_EQ(g_FpgaDownloadState, 0);
}

TEST_F(FpgaDownloadTest, ACodeOverThreeSectorsErasesEachOfThemAndLandsWhole)
{
    // Sectors 1 and 2 hold old bytes that only an erase clears.
    frame->writeFlash(0x1000, std::vector<uint8_t>(0x2000, 0x00));
    const QByteArray code = pattern(0x2000 + 100);
    download(scrambled(code));
    ASSERT_EQ(codes.back(), kFpgaDone) << lines.join('|').toStdString();
    EXPECT_EQ(flash(code.size()), std::vector<uint8_t>(code.begin(), code.end()));
    int erases = 0;
    for (const auto& r : flashRequests())
        if (r[0] == 0x0D) {
            EXPECT_EQ(r[1], static_cast<uint32_t>(erases++ % 3) * 0x1000);
        }
    EXPECT_EQ(erases, 6) << "three sectors for each module";
    // 8292 bytes: 134 chunks, the last index 133 gives 133 * 100 / 519 and 133 * 62 / 1024.
    EXPECT_TRUE(lines.contains("Write Master Fapga process : 25"));
    EXPECT_EQ(lines.last(), "Write FPGA Code 8KB Success!");
}

TEST_F(FpgaDownloadTest, ASecondDownloadInTheSameProcessRunsAsWell)
{
    download(scrambled(pattern(100)));
    ASSERT_EQ(codes.back(), kFpgaDone);
    const QByteArray other = pattern(70).toUpper() + "x";
    download(scrambled(other));
    EXPECT_EQ(codes.back(), kFpgaDone);
    EXPECT_EQ(flash(other.size()), std::vector<uint8_t>(other.begin(), other.end()));
}

TEST_F(FpgaDownloadTest, FilesThatCannotBeWrittenAreRefusedBeforeAnyRequest)
{
    downloadPath(host->home.file("absent.bin"));
    EXPECT_EQ(codes, std::vector<int>{kFpgaOpenFail});
    EXPECT_EQ(lines, QStringList{"FPGA File Open Fail!"});
    EXPECT_TRUE(frame->requestLog().empty()) << "not even a mode switch";

    download(QByteArray(0x10001, 'x'));
    EXPECT_EQ(codes, std::vector<int>{kFpgaRefused});
    EXPECT_TRUE(lines.value(0).contains("65537 bytes")) << lines.value(0).toStdString();
    download(QByteArray());
    EXPECT_EQ(codes, std::vector<int>{kFpgaRefused});
    EXPECT_TRUE(frame->requestLog().empty());
    EXPECT_EQ(g_FpgaDownloadState, 0);

    // The largest file fills the area exactly.
    download(scrambled(pattern(0x10000)));
    EXPECT_EQ(codes.back(), kFpgaDone);
    EXPECT_EQ(frame->readFlash(0x10000, 4), (std::vector<uint8_t>{'A', 'G', 'P', 'F'}))
        << "the image descriptor after the area is untouched";
}

TEST_F(FpgaDownloadTest, FailuresEndTheDownloadWithTheirReason)
{
    frame->refuseCommand(0x09, 1, 3);
    download(scrambled(pattern(200)));
    EXPECT_EQ(codes.back(), kFpgaFailed);
    EXPECT_EQ(lines.value(lines.size() - 2),
              "g_BurnFPGASucEvent: WaitForSingleObject Failed!\n Download FPGA failed!");
    EXPECT_TRUE(lines.last().startsWith("Slave: flash write at 0x0005e failed"))
        << lines.last().toStdString();
    EXPECT_EQ(frame->mode(), CalibrationMode) << "a failed download leaves calibration mode";

    frame->clearFaults();
    frame->failFlashWrites(sim::FlashWriteFault::Corrupt, 1);
    download(scrambled(pattern(200)));
    EXPECT_EQ(codes.back(), kFpgaFailed);
    EXPECT_TRUE(lines.last().contains("differs from the code")) << lines.last().toStdString();

    frame->clearFaults();
    frame->unplugAfterRequests(0x09, 5);
    download(scrambled(pattern(1000)));
    EXPECT_EQ(codes.back(), kFpgaFailed);
    EXPECT_EQ(std::count(codes.begin(), codes.end(), kFpgaDone), 0);
    EXPECT_EQ(g_bDevExist, 0);
    EXPECT_EQ(g_FpgaDownloadState, 0) << "a second press finds the download idle";
}

} // namespace
