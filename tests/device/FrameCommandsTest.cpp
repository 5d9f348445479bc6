#include "device/FrameCommands.h"

#include "ScriptedTransport.h"
#include "device/Delay.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// The command byte and the payload bytes (up to `n`) of a recorded request.
Bytes wire(const ScriptedTransport::Report& r, size_t n)
{
    return Bytes(r.begin() + 1, r.begin() + 1 + static_cast<long>(n));
}

class FrameCommandsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        delay::setTimeScale(0.0);
        transport.setResponder(answerAtOnce([this](const auto& req, int poll, uint8_t* data) {
            for (int i = 0; i < 61; ++i)
                data[i] = static_cast<uint8_t>(fill + poll * 61 + i);
            (void)req;
        }));
    }
    void TearDown() override { delay::setTimeScale(1.0); }
    const ScriptedTransport::Report& last() const { return transport.requests.back(); }

    ScriptedTransport transport;
    DeviceLink link{transport};
    FrameCommands commands{link};
    uint8_t fill = 0;
};

TEST_F(FrameCommandsTest, RegisterCommandsUseTheirMasterAndSlaveCodes)
{
    uint8_t v = 0;
    commands.FPGAPortWrite(Side::Master, 0x1234, 0xAB);
    EXPECT_EQ(wire(last(), 5), (Bytes{0x04, 0x34, 0x12, 1, 0xAB}));
    commands.FPGAPortWrite(Side::Slave, 0x0036, 0xFF);
    EXPECT_EQ(wire(last(), 5), (Bytes{0x17, 0x36, 0x00, 1, 0xFF}));
    commands.FPGAPortRead(Side::Master, 0x0035, v);
    EXPECT_EQ(wire(last(), 5), (Bytes{0x05, 0x35, 0x00, 1, 0}));
    commands.FPGAPortRead(Side::Slave, 0x0035, v);
    EXPECT_EQ(last()[1], 0x18);
    commands.FPGASingleRead(Side::Master, 0x0135, v);
    EXPECT_EQ(wire(last(), 5), (Bytes{0x06, 0x35, 0x01, 0, 0}));
    commands.FPGASingleRead(Side::Slave, 0x0035, v);
    EXPECT_EQ(last()[1], 0x19);
    commands.I2CWrite(Side::Master, 0x19, 0x3A);
    EXPECT_EQ(wire(last(), 3), (Bytes{0x07, 0x19, 0x3A}));
    commands.I2CWrite(Side::Slave, 0x19, 0x3A);
    EXPECT_EQ(last()[1], 0x1A);
    fill = 0x42;
    EXPECT_EQ(commands.I2C_Read(Side::Master, 0x0A, v), 1);
    EXPECT_EQ(wire(last(), 2), (Bytes{0x08, 0x0A}));
    EXPECT_EQ(v, 0x42);
    commands.I2C_Read(Side::Slave, 0x0A, v);
    EXPECT_EQ(last()[1], 0x1B);
}

TEST_F(FrameCommandsTest, FlashTriggerModeAndJumpPayloads)
{
    uint8_t data[5] = {1, 2, 3, 4, 5};
    commands.flashWrite(0x011600, data, 5);
    EXPECT_EQ(wire(last(), 10), (Bytes{0x09, 0x00, 0x16, 0x01, 5, 1, 2, 3, 4, 5}));
    uint8_t out[8];
    commands.flashRead(0x013000, out, 8);
    EXPECT_EQ(wire(last(), 5), (Bytes{0x0A, 0x00, 0x30, 0x01, 8}));
    commands.flashErase(0x011000, 2);
    EXPECT_EQ(wire(last(), 5), (Bytes{0x0D, 0x00, 0x10, 0x01, 2}));
    commands.trigger();
    EXPECT_EQ(wire(last(), 2), (Bytes{0x0B, 0}));
    commands.switchMode(CalibrationMode);
    EXPECT_EQ(wire(last(), 2), (Bytes{0x0E, 0xFF}));
    commands.jump(cmd::kJumpBootLoader);
    EXPECT_EQ(wire(last(), 2), (Bytes{0x38, 'B'}));
    commands.jump(cmd::kJumpApplication);
    EXPECT_EQ(wire(last(), 2), (Bytes{0x38, 'U'}));
}

TEST_F(FrameCommandsTest, LineSearchAndExposureRequests)
{
    uint16_t line = 0;
    fill = 0xEC; // reply bytes EC ED: start line 0xEDEC
    EXPECT_EQ(commands.SearchStartline(Side::Master, 200, 300, line), 1);
    EXPECT_EQ(wire(last(), 5), (Bytes{0x11, 200, 0, 0x2C, 0x01}));
    EXPECT_EQ(line, 0xEDEC);
    commands.SearchStartline(Side::Slave, 50, 200, line);
    EXPECT_EQ(wire(last(), 5), (Bytes{0x24, 50, 0, 200, 0}));
    commands.ConfigStartline(Side::Master, 0x0123);
    EXPECT_EQ(wire(last(), 3), (Bytes{0x12, 0x23, 0x01}));
    commands.ConfigStartline(Side::Slave, 236);
    EXPECT_EQ(last()[1], 0x25);
    uint8_t time = 0, gain = 0;
    fill = 0x90;
    EXPECT_EQ(commands.GetExposure(Side::Slave, 100, 600, time, gain), 1);
    EXPECT_EQ(wire(last(), 5), (Bytes{0x2B, 100, 0, 0x58, 0x02}));
    EXPECT_EQ(time, 0x90);
    EXPECT_EQ(gain, 0x91);
    commands.GetExposure(Side::Master, 100, 600, time, gain);
    EXPECT_EQ(last()[1], 0x2A);
}

TEST_F(FrameCommandsTest, OptimalizeLineNeedsDoneInItsFirstReplyByte)
{
    std::array<uint8_t, FrameCommands::kOptimalizeReply> reply{};
    fill = 0x22;
    EXPECT_EQ(commands.OptimalizeLine(Side::Master, 0, 639, reply), 1);
    EXPECT_EQ(wire(last(), 5), (Bytes{0x14, 0, 0, 0x7F, 0x02}));
    EXPECT_EQ(reply[52], 0x22 + 52);
    fill = 0x21;
    EXPECT_EQ(commands.OptimalizeLine(Side::Slave, 0, 639, reply), 0);
    EXPECT_EQ(last()[1], 0x27);
    for (size_t i = 0; i < reply.size(); ++i)
        EXPECT_EQ(reply[i], (i >= 5 && i < 11) ? 0xFF : 0) << i;
}

TEST_F(FrameCommandsTest, ImageReadsAndStreamsCarryTheirFlags)
{
    std::vector<uint8_t> pixels(640);
    commands.GetPreviewData(Side::Master, cmd::kFlagFirst, 1280, 640, pixels.data());
    EXPECT_EQ(wire(last(), 5), (Bytes{0x80, 0x00, 0x05, 0x80, 0x02}));
    commands.GetPreviewData(Side::Slave, cmd::kFlagFirst, 0, 61, pixels.data());
    EXPECT_EQ(last()[1], 0x81);
    commands.GetPreviewData(Side::Master, cmd::kFlagLast, 61, 30, pixels.data());
    EXPECT_EQ(wire(last(), 5), (Bytes{0x40, 61, 0, 30, 0}));
    commands.GetPreviewData(Side::Slave, cmd::kFlagLast, 0, 30, pixels.data());
    EXPECT_EQ(last()[1], 0x41);

    uint8_t packet[62];
    for (int i = 0; i < 62; ++i)
        packet[i] = static_cast<uint8_t>(i);
    commands.streamA(Side::Master, cmd::kFlagFirst, packet, 62);
    EXPECT_EQ(last()[1], 0xAF);
    EXPECT_EQ(last()[63], 61);
    commands.streamA(Side::Slave, 0, packet, 10);
    EXPECT_EQ(last()[1], 0x1F);
    commands.streamB(Side::Master, cmd::kFlagLast, packet, 10);
    EXPECT_EQ(last()[1], 0x6E);
    commands.streamB(Side::Slave, cmd::kFlagFirst | cmd::kFlagLast, packet, 10);
    EXPECT_EQ(last()[1], 0xF4);
    const size_t sent = transport.requests.size();
    EXPECT_EQ(commands.streamB(Side::Master, 0, packet, 63), 0);
    EXPECT_EQ(transport.requests.size(), sent);
}

TEST_F(FrameCommandsTest, StatusAndTouchQueries)
{
    std::array<uint8_t, FrameCommands::kStatusReply> status{};
    commands.GetStatus(3, status);
    EXPECT_EQ(wire(last(), 2), (Bytes{0x30, 3}));
    std::array<uint8_t, FrameCommands::kTouchPointsRequest> q = {1, 2, 0x80, 0x07, 0x38, 0x04, 255};
    std::array<uint8_t, FrameCommands::kTouchPointsReply> answer{};
    commands.touchPoints(q, answer);
    EXPECT_EQ(wire(last(), 8), (Bytes{0x1E, 1, 2, 0x80, 0x07, 0x38, 0x04, 255}));
    EXPECT_EQ(transport.reads, 2);
}

TEST_F(FrameCommandsTest, PortReadSplitsIntoSixtyBytePiecesAtOneAddress)
{
    std::vector<uint8_t> out(130);
    ASSERT_EQ(commands.BurstRead(Side::Slave, 0x0040, out.data(), out.size()), 1);
    ASSERT_EQ(transport.requests.size(), 3u);
    EXPECT_EQ(wire(transport.requests[0], 5), (Bytes{0x18, 0x40, 0, 60, 0}));
    EXPECT_EQ(wire(transport.requests[1], 5), (Bytes{0x18, 0x40, 0, 60, 0}));
    EXPECT_EQ(wire(transport.requests[2], 5), (Bytes{0x18, 0x40, 0, 10, 0}));
    EXPECT_EQ(out[59], 59);
    EXPECT_EQ(out[60], 0); // the second piece lands at offset 60
    EXPECT_EQ(out[129], 9);
}

TEST_F(FrameCommandsTest, AFailedPortReadPieceFillsTheWholeDestination)
{
    int pieces = 0;
    transport.setResponder([&pieces](const auto& req, int poll, uint8_t* reply) {
        if (poll == 0)
            ++pieces;
        reply[1] = req[1] & 0x3F;
        reply[2] = pieces == 2 ? 0xFF : 0x22;
        return true;
    });
    std::vector<uint8_t> out(130, 0);
    EXPECT_EQ(commands.BurstRead(Side::Master, 0x0040, out.data(), out.size()), 0);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](uint8_t b) { return b == 0xFF; }));
    EXPECT_EQ(transport.requests.size(), 2u);
}

TEST_F(FrameCommandsTest, PortWriteSplitsIntoFiftyNineBytePieces)
{
    std::vector<uint8_t> data(130);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(i);
    ASSERT_EQ(commands.BurstWrite(Side::Master, 0x0021, data.data(), data.size()), 1);
    ASSERT_EQ(transport.requests.size(), 3u);
    EXPECT_EQ(wire(transport.requests[0], 4), (Bytes{0x04, 0x21, 0, 59}));
    EXPECT_EQ(transport.requests[0][5], 0);
    EXPECT_EQ(transport.requests[0][63], 58);
    EXPECT_EQ(wire(transport.requests[1], 5), (Bytes{0x04, 0x21, 0, 59, 59}));
    EXPECT_EQ(wire(transport.requests[2], 5), (Bytes{0x04, 0x21, 0, 12, 118}));
    EXPECT_EQ(transport.requests[2][5 + 11], 129);
    EXPECT_EQ(transport.requests[2][5 + 12], 0);
}

TEST_F(FrameCommandsTest, FlashReadPiecesAdvanceTheAddress)
{
    std::vector<uint8_t> out(1546);
    ASSERT_EQ(commands.flashRead(0x011000, out.data(), out.size()), 1);
    ASSERT_EQ(transport.requests.size(), 26u); // 25 x 60 + 46
    EXPECT_EQ(wire(transport.requests[1], 5), (Bytes{0x0A, 0x3C, 0x10, 0x01, 60}));
    EXPECT_EQ(wire(transport.requests[25], 5), (Bytes{0x0A, 0xDC, 0x15, 0x01, 46}));
}

TEST_F(FrameCommandsTest, FlashWritePiecesOfFiftyEightAdvanceTheAddress)
{
    std::vector<uint8_t> data(130, 0xA5);
    ASSERT_EQ(commands.flashWrite(0x01F000, data.data(), data.size()), 1);
    ASSERT_EQ(transport.requests.size(), 3u);
    EXPECT_EQ(wire(transport.requests[0], 5), (Bytes{0x09, 0x00, 0xF0, 0x01, 58}));
    EXPECT_EQ(wire(transport.requests[1], 5), (Bytes{0x09, 0x3A, 0xF0, 0x01, 58}));
    EXPECT_EQ(wire(transport.requests[2], 5), (Bytes{0x09, 0x74, 0xF0, 0x01, 14}));
    EXPECT_EQ(transport.requests[2][6 + 13], 0xA5);
    EXPECT_EQ(transport.requests[2][6 + 14], 0);
}

TEST_F(FrameCommandsTest, KeyStateComesFromTheThreeByteReport)
{
    transport.key1 = 0x12;
    transport.key2 = 0x80;
    uint8_t a = 0, b = 0;
    EXPECT_EQ(commands.readKeyState(a, b), 1);
    EXPECT_EQ(a, 0x12);
    EXPECT_EQ(b, 0x80);
    EXPECT_TRUE(transport.requests.empty());
    transport.keyOk = false;
    EXPECT_EQ(commands.readKeyState(a, b), 0);
}

} // namespace
