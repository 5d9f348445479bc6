#include "SimTestSupport.h"
#include "device/ByteOrder.h"
#include "device/ModeSwitch.h"

namespace {

using sim::FlashWriteFault;
using sim::VirtualFrame;

class FaultInjectionTest : public simtest::SimTest {
protected:
    void SetUp() override
    {
        SimTest::SetUp();
        ASSERT_TRUE(host.open());
    }

    int readByte(uint32_t address, uint8_t& value)
    {
        return host.device.commands.flashRead(address, &value, 1);
    }

    simtest::HostOnFrame host;
    VirtualFrame& frame = *host.frame;
    DeviceLink& link = host.device.link;
    FrameCommands& commands = host.device.commands;
};

TEST_F(FaultInjectionTest, RefusedCommandFailsWithLinkStatusOne)
{
    frame.refuseCommand(0x0A, 2);
    uint8_t value = 0;
    EXPECT_EQ(readByte(0x010000, value), 0);
    EXPECT_EQ(link.linkStatus, DeviceLink::kLinkRefused);
    EXPECT_EQ(value, 0xFF);
    EXPECT_EQ(readByte(0x010000, value), 0);
    EXPECT_EQ(readByte(0x010000, value), 1);
    EXPECT_EQ(value, 'A');
    EXPECT_EQ(link.linkStatus, DeviceLink::kLinkOk);
}

TEST_F(FaultInjectionTest, RefusedCommandIsNotCarriedOut)
{
    frame.refuseCommand(0x0D);
    EXPECT_EQ(commands.flashErase(0x011000, 2), 0);
    EXPECT_EQ(frame.readFlash(0x011000, 4), (std::vector<uint8_t>{'F', 'I', 'W', 'F'}));
    frame.clearFaults();
    EXPECT_EQ(commands.flashErase(0x011000, 2), 1);
}

TEST_F(FaultInjectionTest, OtherStatusFailsAtOnceAndLeavesLinkStatus)
{
    frame.answerCommandWith(0x30, 0x05);
    std::array<uint8_t, FrameCommands::kStatusReply> reply{};
    frame.clearRequestLog();
    EXPECT_EQ(commands.GetStatus(1, reply), 0);
    EXPECT_EQ(link.linkStatus, DeviceLink::kLinkOk);
    EXPECT_EQ(link.replyTimedOut, 0);
    EXPECT_EQ(frame.requestLog().size(), 1u);
    EXPECT_EQ(reply[1], 0xFF);
}

TEST_F(FaultInjectionTest, CommandThatNeverAnswersTimesOut)
{
    frame.neverAnswer(0x0E);
    EXPECT_EQ(commands.switchMode(CalibrationMode), 0);
    EXPECT_EQ(link.replyTimedOut, 1);
    EXPECT_EQ(link.linkStatus, DeviceLink::kLinkOk);
    EXPECT_EQ(frame.mode(), WorkMode); // the frame hangs instead of switching
    frame.neverAnswer(0x0E, false);
    EXPECT_EQ(commands.switchMode(CalibrationMode), 1);
    EXPECT_EQ(frame.mode(), CalibrationMode);
}

TEST_F(FaultInjectionTest, SlowAnswerWithinTheHostsPatienceSucceeds)
{
    frame.setBusyPolls(0x0A, 99);
    uint8_t value = 0;
    EXPECT_EQ(readByte(0x010000, value), 1);
    frame.setBusyPolls(0x0A, 100);
    EXPECT_EQ(readByte(0x010000, value), 0);
    EXPECT_EQ(link.replyTimedOut, 1);
}

TEST_F(FaultInjectionTest, LostRequestIsALinkFailure)
{
    frame.failSetFeatures(1);
    EXPECT_EQ(commands.trigger(), 0);
    EXPECT_EQ(link.linkStatus, DeviceLink::kLinkHidFailed);
    EXPECT_EQ(frame.triggerCount(), 0);
    EXPECT_TRUE(frame.requestLog().empty());
    EXPECT_EQ(commands.trigger(), 1);
    EXPECT_EQ(frame.triggerCount(), 1);
}

TEST_F(FaultInjectionTest, FailedReplyReadIsALinkFailure)
{
    frame.failGetFeatures(2);
    EXPECT_EQ(commands.trigger(), 0);
    EXPECT_EQ(link.linkStatus, DeviceLink::kLinkHidFailed);
    uint8_t b1 = 0;
    uint8_t b2 = 0;
    EXPECT_EQ(commands.readKeyState(b1, b2), 0);
    EXPECT_EQ(commands.readKeyState(b1, b2), 1);
}

TEST_F(FaultInjectionTest, TransferFaultsCanLastUntilCleared)
{
    frame.failGetFeatures(VirtualFrame::kAlways);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(commands.trigger(), 0);
    frame.clearFaults();
    EXPECT_EQ(commands.trigger(), 1);
}

TEST_F(FaultInjectionTest, RefusedFlashWritesChangeNothing)
{
    ASSERT_EQ(commands.flashErase(0x01E000, 1), 1);
    frame.failFlashWrites(FlashWriteFault::Refuse, 1);
    const uint8_t data[4] = {1, 2, 3, 4};
    EXPECT_EQ(commands.flashWrite(0x01E000, data, 4), 0);
    EXPECT_EQ(link.linkStatus, DeviceLink::kLinkRefused);
    EXPECT_EQ(frame.readFlash(0x01E000, 4), std::vector<uint8_t>(4, 0xFF));
    EXPECT_EQ(commands.flashWrite(0x01E000, data, 4), 1);
    EXPECT_EQ(frame.readFlash(0x01E000, 4), (std::vector<uint8_t>{1, 2, 3, 4}));
}

TEST_F(FaultInjectionTest, CorruptingFlashWriteIsCaughtByTheSensorBlockReadBack)
{
    SensorBlock block{};
    ASSERT_EQ(host.device.blocks.ReadCalibInfo(block), 1);
    block[600] = 0x5A;
    ASSERT_EQ(commands.flashErase(0x011000, 2), 1);
    frame.failFlashWrites(FlashWriteFault::Corrupt, 1);
    EXPECT_EQ(host.device.blocks.writeSensorBlock(block), 0);
    // The write itself was answered "done": only the comparison noticed.
    EXPECT_EQ(link.linkStatus, DeviceLink::kLinkOk);
    // Bytes 0..3 are held back as 0xFF and cannot be corrupted; byte 4 is the first victim.
    EXPECT_EQ(frame.readFlash(0x011004, 1)[0], 0xFF);
    ASSERT_EQ(commands.flashErase(0x011000, 2), 1);
    EXPECT_EQ(host.device.blocks.writeSensorBlock(block), 1);
}

TEST_F(FaultInjectionTest, CorruptionWaitsForAWriteThatProgramsSomething)
{
    frame.failFlashWrites(FlashWriteFault::Corrupt, 1);
    const uint8_t erased[2] = {0xFF, 0xFF};
    ASSERT_EQ(commands.flashErase(0x01E000, 1), 1);
    EXPECT_EQ(commands.flashWrite(0x01E000, erased, 2), 1);
    const uint8_t data[2] = {0x0F, 0xF0};
    EXPECT_EQ(commands.flashWrite(0x01E000, data, 2), 1);
    EXPECT_EQ(frame.readFlash(0x01E000, 2), (std::vector<uint8_t>{0xFF, 0xF0}));
    EXPECT_EQ(commands.flashWrite(0x01E000, data, 2), 1);
    EXPECT_EQ(frame.readFlash(0x01E000, 2), (std::vector<uint8_t>{0x0F, 0xF0}));
}

TEST_F(FaultInjectionTest, UnpluggedFrameFailsEveryTransfer)
{
    frame.unplug();
    EXPECT_EQ(commands.trigger(), 0);
    EXPECT_EQ(link.linkStatus, DeviceLink::kLinkHidFailed);
    uint16_t product = 0;
    EXPECT_EQ(host.device.transport().probe(product), HidTransport::kProbeNotAFrame);
    EXPECT_EQ(host.device.transport().open(product), 0);
    frame.plug();
    EXPECT_EQ(host.device.transport().open(product), 1);
    EXPECT_EQ(commands.trigger(), 1);
}

TEST_F(FaultInjectionTest, ReplugIsARestart)
{
    ASSERT_EQ(commands.switchMode(CalibrationMode), 1);
    ASSERT_EQ(commands.FPGAPortWrite(Side::Master, 0x36, 0x00), 1);
    ASSERT_EQ(commands.ConfigStartline(Side::Master, 250), 1);
    ASSERT_EQ(commands.flashErase(0x01E000, 1), 1);
    frame.refuseCommand(0x0B);
    frame.unplug();
    frame.plug();
    EXPECT_EQ(frame.mode(), WorkMode);
    EXPECT_EQ(frame.fpgaRegister(Side::Master, 0x36), 0xFF);    // emitters lit again
    EXPECT_EQ(frame.moduleOptics(Side::Master).startLine, 236); // from the stored block
    EXPECT_EQ(frame.readFlash(0x01E000, 1)[0], 0xFF);
    ASSERT_TRUE(host.open());
    EXPECT_EQ(commands.trigger(), 0); // faults belong to the test, not to the frame
}

TEST_F(FaultInjectionTest, ClearFaultsRestoresAWellBehavedFrame)
{
    frame.setBusyPolls(200);
    frame.refuseCommand(0x0B);
    frame.neverAnswer(0x30);
    frame.failFlashWrites(FlashWriteFault::Refuse);
    frame.clearFaults();
    EXPECT_EQ(commands.trigger(), 1);
    std::array<uint8_t, FrameCommands::kStatusReply> reply{};
    EXPECT_EQ(commands.GetStatus(1, reply), 1);
    const uint8_t zero = 0;
    EXPECT_EQ(commands.flashWrite(0x01E000, &zero, 1), 1);
}

// The host's mode switch accepts a refused work switch from a frame that has no sensor
// information, and only from such a frame.
TEST_F(FaultInjectionTest, HostAcceptsTheRefusalOfAFrameWithoutSensorInformation)
{
    simtest::HostOnFrame blank(std::make_shared<VirtualFrame>(VirtualFrame::Contents::Blank));
    ASSERT_TRUE(blank.open());
    EXPECT_EQ(SwitchMode(blank.device, WorkMode), 1);
    EXPECT_EQ(g_isSwitchMode, 0);
    EXPECT_EQ(blank.frame->mode(), WorkMode);

    g_bDevExist = 1;
    frame.refuseCommand(0x0E, 1);
    EXPECT_EQ(SwitchMode(host.device, WorkMode), 0);
}

} // namespace
