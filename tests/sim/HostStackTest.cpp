#include "SimTestSupport.h"
#include "device/ByteOrder.h"
#include "device/StatusCheck.h"
#include "device/TouchPoints.h"
#include "sim/FlashImages.h"

#include <numeric>

namespace {

using sim::VirtualFrame;

class HostStackTest : public simtest::SimTest {
protected:
    void SetUp() override
    {
        SimTest::SetUp();
        ASSERT_TRUE(host.open());
    }

    simtest::HostOnFrame host;
    VirtualFrame& frame = *host.frame;
    FrameCommands& commands = host.device.commands;
    FlashBlocks& blocks = host.device.blocks;
};

TEST_F(HostStackTest, OpenFindsTheVendorCollectionBehindMouseAndDigitizer)
{
    uint16_t product = 0;
    ASSERT_EQ(host.device.transport().open(product), 1);
    EXPECT_EQ(product, 0xCB12);
    EXPECT_EQ(host.device.transport().probe(product), HidTransport::kProbeFrame);
}

TEST_F(HostStackTest, VersionsReadAsTheFactoryWroteThem)
{
    ModuleVersions versions;
    ASSERT_EQ(blocks.readVersions(Side::Master, versions), 1);
    EXPECT_EQ(versions.image, 0x01030002u);
    EXPECT_EQ(versions.bootLoader, 0x01000007u);
}

TEST_F(HostStackTest, SensorBlockWrittenByTheHostReadsBack)
{
    SensorBlock block{};
    ASSERT_EQ(blocks.ReadCalibInfo(block), 1);
    EXPECT_EQ(le::u32(block.data()), flash_map::SENSORInfoFlag);
    EXPECT_EQ(le::u16(block.data() + 4), 236);
    for (size_t i = 136; i < block.size(); ++i)
        block[i] = static_cast<uint8_t>(i * 3);
    ASSERT_EQ(commands.flashErase(flash_map::kSensorBlock, flash_map::kSensorBlockSectors), 1);
    ASSERT_EQ(blocks.writeSensorBlock(block), 1);
    const std::vector<uint8_t> stored = frame.readFlash(flash_map::kSensorBlock, block.size());
    EXPECT_TRUE(std::equal(block.begin(), block.end(), stored.begin()));
    // 48 pieces, the tail piece, the flag, then the read-back in 26 reads of 60 bytes.
    const auto log = frame.requestLog();
    const auto writes =
        std::count_if(log.begin(), log.end(), [](const auto& r) { return r[1] == 0x09; });
    EXPECT_EQ(writes, 50);
}

TEST_F(HostStackTest, WritingWithoutEraseShowsInTheReadBack)
{
    SensorBlock block{};
    ASSERT_EQ(blocks.ReadCalibInfo(block), 1);
    block[4] = 0xFF; // the stored start line has bits that programming cannot set
    EXPECT_EQ(blocks.writeSensorBlock(block), 0);
}

TEST_F(HostStackTest, ConfigRecordReadsTheDefaultsAndCanBeRewritten)
{
    ConfigRecordBytes record{};
    ASSERT_EQ(blocks.readConfigRecord(record), 1);
    const auto defaults = sim::defaultConfigRecord();
    EXPECT_TRUE(std::equal(defaults.begin(), defaults.end(), record.begin()));
    record[7] = 2;
    ASSERT_EQ(commands.flashErase(flash_map::kConfigRecord, 1), 1);
    ASSERT_EQ(blocks.writeConfigRecordBlocks(record, Side::Slave), 1);
    ConfigRecordBytes back{};
    ASSERT_EQ(blocks.readConfigRecord(back), 1);
    EXPECT_EQ(back, record);
}

TEST_F(HostStackTest, LongFlashReadsAndWritesGoInPieces)
{
    std::vector<uint8_t> data(500);
    std::iota(data.begin(), data.end(), uint8_t{0});
    ASSERT_EQ(commands.flashErase(0x01E000, 1), 1);
    ASSERT_EQ(commands.flashWrite(0x01E000, data.data(), data.size()), 1);
    std::vector<uint8_t> back(data.size());
    ASSERT_EQ(commands.flashRead(0x01E000, back.data(), back.size()), 1);
    EXPECT_EQ(back, data);
}

TEST_F(HostStackTest, StatusAnswerCarriesModeAndErrorCode)
{
    frame.setErrorCode(0xA5000001);
    ASSERT_EQ(commands.switchMode(CalibrationMode), 1);
    FrameStatus status;
    ASSERT_EQ(readFrameStatus(host.device, 2, status), 1);
    EXPECT_EQ(status.modeCode, CalibrationMode);
    EXPECT_EQ(status.errorCode, 0xA5000001u);
}

TEST_F(HostStackTest, RegistersThroughTheAccessFunctions)
{
    RegisterAccess& access = host.device.access;
    ASSERT_EQ(access.MsgFPGAPortWriteReg(Side::Slave, 0x37, 0xFF), 1);
    uint8_t value = 0;
    ASSERT_EQ(access.MsgFPGAPortReadReg(Side::Slave, 0x37, value), 1);
    EXPECT_EQ(value, 0xFF);
    ASSERT_EQ(access.MsgFPGAPortWriteReg(Side::Master, 0x30, 1), 1);
    ASSERT_EQ(access.MsgFPGAPortReadReg(Side::Master, 0x30, value), 1);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(frame.captureCount(Side::Master), 1);
    ASSERT_EQ(commands.I2C_Read(Side::Slave, 0x0A, value), 1);
    EXPECT_EQ(value, sim::factoryValues().sensorChipId);
}

TEST_F(HostStackTest, BurstWriteArrivesWholeInThePortLog)
{
    std::vector<uint8_t> data(130); // 59 + 59 + 12
    std::iota(data.begin(), data.end(), uint8_t{1});
    ASSERT_EQ(commands.BurstWrite(Side::Master, 0x22, data.data(), data.size()), 1);
    EXPECT_EQ(frame.portLog(Side::Master, 0x22), data);
    std::vector<uint8_t> read(130);
    ASSERT_EQ(commands.BurstRead(Side::Master, 0x22, read.data(), read.size()), 1);
    EXPECT_EQ(read, std::vector<uint8_t>(130, 130));
}

TEST_F(HostStackTest, LineSearchCommands)
{
    uint16_t line = 0;
    ASSERT_EQ(commands.SearchStartline(Side::Master, 200, 300, line), 1);
    EXPECT_EQ(line, 236);
    ASSERT_EQ(commands.ConfigStartline(Side::Master, line), 1);
    std::array<uint8_t, FrameCommands::kOptimalizeReply> reply{};
    ASSERT_EQ(commands.OptimalizeLine(Side::Slave, 0, 639, reply), 1);
    EXPECT_EQ(le::u16(reply.data() + 5), sim::factoryValues().of(Side::Slave).optimumLines[0].line);
    uint8_t time = 0;
    uint8_t gain = 0;
    ASSERT_EQ(commands.GetExposure(Side::Slave, 100, 600, time, gain), 1);
    EXPECT_EQ(time, sim::factoryValues().of(Side::Slave).exposureTime);
    EXPECT_EQ(gain, sim::factoryValues().of(Side::Slave).exposureGain);
}

TEST_F(HostStackTest, WholePreviewLineComesInElevenReports)
{
    std::vector<uint8_t> line(640, 0);
    frame.clearRequestLog();
    ASSERT_EQ(commands.GetPreviewData(Side::Slave, cmd::kFlagFirst, 640 * 7, 640, line.data()), 1);
    EXPECT_EQ(line, std::vector<uint8_t>(640, sim::factoryValues().dimPixelLevel));
    ASSERT_EQ(frame.requestLog().size(), 1u);
    EXPECT_EQ(frame.requestLog()[0][1], 0x81);
    std::vector<uint8_t> tooLong(641);
    EXPECT_EQ(commands.GetPreviewData(Side::Slave, cmd::kFlagFirst, 640 * 10, 641, tooLong.data()),
              0);
}

TEST_F(HostStackTest, TouchQueryWithoutFingerHasNoCandidates)
{
    CandidateReport report;
    int sides = 0;
    EXPECT_EQ(GetTouchPoints(host.device, {0, 1, 0, 0, 0, 0, 0}, report, sides), kNoCandidates);
    EXPECT_EQ(sides, kSidesNone);
}

TEST_F(HostStackTest, KeyStateAndDownloadStreams)
{
    frame.setKeyState(0x02, 0x80);
    uint8_t b1 = 0;
    uint8_t b2 = 0;
    ASSERT_EQ(commands.readKeyState(b1, b2), 1);
    EXPECT_EQ(b1, 0x02);
    EXPECT_EQ(b2, 0x80);
    std::vector<uint8_t> packet(62, 0x3C);
    ASSERT_EQ(commands.streamB(Side::Master, cmd::kFlagFirst, packet.data(), 62), 1);
    ASSERT_EQ(commands.streamB(Side::Master, cmd::kFlagLast, packet.data(), 10), 1);
    const auto bytes = frame.downloadedBytes(Side::Master, VirtualFrame::Stream::B);
    ASSERT_EQ(bytes.size(), 124u);
    EXPECT_EQ(bytes[71], 0x3C);
    EXPECT_EQ(bytes[72], 0x00); // the packet's unused tail
    ASSERT_EQ(commands.jump(cmd::kJumpBootLoader), 1);
    EXPECT_EQ(frame.lastJumpTarget(), cmd::kJumpBootLoader);
}

} // namespace
