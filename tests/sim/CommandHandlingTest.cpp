#include "SimTestSupport.h"
#include "device/ByteOrder.h"
#include "sim/FlashImages.h"

namespace {

using sim::VirtualFrame;
using simtest::flashPayload;
using simtest::kDone;
using simtest::kRefused;
using simtest::RawLink;

class CommandHandlingTest : public simtest::SimTest {
protected:
    uint8_t status(uint8_t command, const std::vector<uint8_t>& payload = {})
    {
        return link.command(command, payload)[2];
    }

    VirtualFrame frame;
    RawLink link{frame};
};

// --- Flash ----------------------------------------------------------------------

TEST_F(CommandHandlingTest, FlashReadGivesTheRequestedBytes)
{
    const std::vector<uint8_t> data = link.data(0x0A, flashPayload(0x010000, 60));
    EXPECT_EQ(std::string(data.begin(), data.begin() + 4), "AGPF");
    EXPECT_EQ(data[38], 0xFF);
    EXPECT_EQ(data[60], 0x00); // beyond the 60 bytes asked for
}

TEST_F(CommandHandlingTest, FlashWriteOnlyClearsBits)
{
    ASSERT_EQ(status(0x09, flashPayload(0x1E000, 2, {0xF0, 0x3C})), kDone);
    ASSERT_EQ(status(0x09, flashPayload(0x1E000, 2, {0x0F, 0xFF})), kDone);
    EXPECT_EQ(frame.readFlash(0x1E000, 3), (std::vector<uint8_t>{0x00, 0x3C, 0xFF}));
}

TEST_F(CommandHandlingTest, EraseCoversWholeSectorsFromTheOneHoldingTheAddress)
{
    frame.writeFlash(0x1CFFF, std::vector<uint8_t>(0x2002, 0x00));
    ASSERT_EQ(status(0x0D, flashPayload(0x1D123, 1)), kDone);
    EXPECT_EQ(frame.readFlash(0x1CFFF, 1)[0], 0x00);
    EXPECT_EQ(frame.readFlash(0x1D000, 0x1000), std::vector<uint8_t>(0x1000, 0xFF));
    EXPECT_EQ(frame.readFlash(0x1E000, 1)[0], 0x00);
}

TEST_F(CommandHandlingTest, WriteAcrossASectorBoundaryLandsInBoth)
{
    ASSERT_EQ(status(0x0D, flashPayload(0x1C000, 2)), kDone);
    ASSERT_EQ(status(0x09, flashPayload(0x1CFFE, 4, {1, 2, 3, 4})), kDone);
    EXPECT_EQ(frame.readFlash(0x1CFFE, 4), (std::vector<uint8_t>{1, 2, 3, 4}));
}

TEST_F(CommandHandlingTest, FlashRequestsOutOfRangeAreRefusedAndChangeNothing)
{
    const std::vector<uint8_t> before = frame.readFlash(0, 0x20000);
    EXPECT_EQ(status(0x0A, flashPayload(0x1FFC5, 60)), kRefused); // one past the end
    EXPECT_EQ(status(0x0A, flashPayload(0x1FFC4, 60)), kDone);
    EXPECT_EQ(status(0x0A, flashPayload(0x000000, 61)), kRefused);
    EXPECT_EQ(status(0x0A, flashPayload(0x000000, 0)), kRefused);
    EXPECT_EQ(status(0x0A, flashPayload(0xFFFFFF, 1)), kRefused);
    EXPECT_EQ(status(0x09, flashPayload(0x1FFFF, 2, {0, 0})), kRefused);
    EXPECT_EQ(status(0x09, flashPayload(0x010000, 59, std::vector<uint8_t>(58, 0))), kRefused);
    EXPECT_EQ(status(0x09, flashPayload(0x010000, 0)), kRefused);
    EXPECT_EQ(status(0x0D, flashPayload(0x1F000, 2)), kRefused);
    EXPECT_EQ(status(0x0D, flashPayload(0x20000, 1)), kRefused);
    EXPECT_EQ(status(0x0D, flashPayload(0x10000, 0)), kRefused);
    EXPECT_EQ(frame.readFlash(0, 0x20000), before);
}

TEST_F(CommandHandlingTest, LargestFlashWriteFillsTheReport)
{
    std::vector<uint8_t> data(58);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(0xC0 + i);
    ASSERT_EQ(status(0x0D, flashPayload(0x1E000, 1)), kDone);
    ASSERT_EQ(status(0x09, flashPayload(0x1FFC6, 58, data)), kDone); // ends at the last byte
    EXPECT_EQ(frame.readFlash(0x1FFC6, 58), data);
}

// --- Registers --------------------------------------------------------------------

TEST_F(CommandHandlingTest, PortWriteAndReadPerModule)
{
    ASSERT_EQ(status(0x04, {0x36, 0x00, 1, 0x00}), kDone);
    ASSERT_EQ(status(0x17, {0x34, 0x12, 1, 0x5A}), kDone);
    EXPECT_EQ(frame.fpgaRegister(Side::Master, 0x36), 0x00);
    EXPECT_EQ(frame.fpgaRegister(Side::Slave, 0x36), 0xFF); // emitters are lit from power-up
    EXPECT_EQ(frame.fpgaRegister(Side::Slave, 0x1234), 0x5A);
    EXPECT_EQ(link.data(0x18, {0x34, 0x12, 1, 0})[0], 0x5A);
    EXPECT_EQ(link.data(0x19, {0x34, 0x12, 0, 0})[0], 0x5A);
    EXPECT_EQ(link.data(0x06, {0x34, 0x12, 0, 0})[0], 0x00);
}

TEST_F(CommandHandlingTest, BurstGoesToOneRegisterAndIsLogged)
{
    std::vector<uint8_t> payload = {0x40, 0x00, 59};
    for (uint8_t i = 0; i < 59; ++i)
        payload.push_back(static_cast<uint8_t>(i + 1));
    ASSERT_EQ(status(0x04, payload), kDone);
    ASSERT_EQ(status(0x04, {0x40, 0x00, 2, 0xAA, 0xBB}), kDone);
    EXPECT_EQ(frame.fpgaRegister(Side::Master, 0x40), 0xBB);
    EXPECT_EQ(frame.fpgaRegister(Side::Master, 0x41), 0x00);
    const std::vector<uint8_t> log = frame.portLog(Side::Master, 0x40);
    ASSERT_EQ(log.size(), 61u);
    EXPECT_EQ(log[0], 1);
    EXPECT_EQ(log[58], 59);
    EXPECT_EQ(log[60], 0xBB);
    EXPECT_TRUE(frame.portLog(Side::Slave, 0x40).empty());
    frame.clearPortLogs();
    EXPECT_TRUE(frame.portLog(Side::Master, 0x40).empty());
}

TEST_F(CommandHandlingTest, PortReadRepeatsTheRegister)
{
    frame.setFpgaRegister(Side::Master, 0x35, 0x6B);
    const std::vector<uint8_t> data = link.data(0x05, {0x35, 0x00, 60, 0});
    EXPECT_EQ(std::vector<uint8_t>(data.begin(), data.begin() + 60),
              std::vector<uint8_t>(60, 0x6B));
    EXPECT_EQ(data[60], 0x00);
}

TEST_F(CommandHandlingTest, PortTransfersOfBadLengthAreRefused)
{
    EXPECT_EQ(status(0x05, {0x35, 0x00, 61, 0}), kRefused);
    EXPECT_EQ(status(0x05, {0x35, 0x00, 0, 0}), kRefused);
    EXPECT_EQ(status(0x04, {0x35, 0x00, 0}), kRefused);
    std::vector<uint8_t> tooLong = {0x35, 0x00, 60};
    tooLong.resize(62, 0x11);
    EXPECT_EQ(status(0x04, tooLong), kRefused);
    EXPECT_EQ(frame.fpgaRegister(Side::Master, 0x35), 0x00);
    EXPECT_TRUE(frame.portLog(Side::Master, 0x35).empty());
}

TEST_F(CommandHandlingTest, CaptureStartTakesAPictureAndReadsZeroAgain)
{
    ASSERT_EQ(status(0x17, {0x30, 0x00, 1, 1}), kDone);
    EXPECT_EQ(frame.captureCount(Side::Slave), 1);
    EXPECT_EQ(frame.captureCount(Side::Master), 0);
    EXPECT_EQ(link.data(0x18, {0x30, 0x00, 1, 0})[0], 0);
    ASSERT_EQ(status(0x04, {0x30, 0x00, 1, 0}), kDone);
    EXPECT_EQ(frame.captureCount(Side::Master), 0);
}

TEST_F(CommandHandlingTest, SensorRegistersAndTheFixedChipId)
{
    ASSERT_EQ(status(0x07, {0x38, 0x07}), kDone);
    ASSERT_EQ(status(0x1A, {0x84, 0x02}), kDone);
    EXPECT_EQ(frame.sensorRegister(Side::Master, 0x38), 0x07);
    EXPECT_EQ(frame.sensorRegister(Side::Slave, 0x38), 0x00);
    EXPECT_EQ(link.data(0x1B, {0x84})[0], 0x02);
    const uint8_t chip = link.data(0x08, {0x0A})[0];
    EXPECT_EQ(chip, sim::factoryValues().sensorChipId);
    ASSERT_EQ(status(0x07, {0x0A, 0x00}), kDone);
    EXPECT_EQ(link.data(0x08, {0x0A})[0], chip);
    EXPECT_EQ(link.data(0x1B, {0x0A})[0], chip);
}

// --- Modes and status ----------------------------------------------------------------

TEST_F(CommandHandlingTest, ModesSwitchAndShowInTheStatus)
{
    EXPECT_EQ(frame.mode(), 0x22);
    ASSERT_EQ(status(0x0E, {0xFF}), kDone);
    EXPECT_EQ(frame.mode(), 0xFF);
    frame.setErrorCode(0x12345678);
    const std::vector<uint8_t> s = link.data(0x30, {3});
    EXPECT_EQ(s[0], 3);
    EXPECT_EQ(s[1], 0xFF);
    EXPECT_EQ(le::u32(s.data() + 2), 0x12345678u);
    ASSERT_EQ(status(0x0E, {0xEE}), kDone);
    EXPECT_EQ(frame.mode(), 0xFF);
    ASSERT_EQ(status(0x0E, {0xCC}), kDone);
    EXPECT_EQ(frame.mode(), 0x22);
    EXPECT_EQ(status(0x0E, {0x11}), kRefused);
    EXPECT_EQ(frame.mode(), 0x22);
}

TEST_F(CommandHandlingTest, WithoutSensorInformationWorkAndSaveAreRefused)
{
    VirtualFrame blank(VirtualFrame::Contents::Blank);
    RawLink raw(blank);
    ASSERT_EQ(raw.command(0x0E, {0xFF})[2], kDone);
    EXPECT_EQ(raw.command(0x0E, {0x22})[2], kRefused);
    EXPECT_EQ(raw.command(0x0E, {0xEE})[2], kRefused);
    EXPECT_EQ(blank.mode(), 0xFF);
    EXPECT_EQ(raw.command(0x0E, {0xCC})[2], kDone);
    EXPECT_EQ(blank.mode(), 0x22);
    // One flag byte wrong is as good as no block.
    std::vector<uint8_t> flag = {0x46, 0x49, 0x57, 0x46};
    blank.writeFlash(0x011000, flag);
    EXPECT_EQ(raw.command(0x0E, {0x22})[2], kDone);
    flag[3] = 0x47;
    blank.writeFlash(0x011000, flag);
    EXPECT_EQ(raw.command(0x0E, {0x22})[2], kRefused);
}

TEST_F(CommandHandlingTest, SaveStoresTheOpticsTheModulesWorkWith)
{
    frame.writeFlash(0x011000 + 600, {0x77});
    frame.writeFlash(0x012FFF, {0x12});           // beyond the block, inside its sectors
    ASSERT_EQ(status(0x12, {0xFA, 0x00}), kDone); // Master start line 250
    ASSERT_EQ(status(0x0E, {0xEE}), kDone);
    const std::vector<uint8_t> block = frame.readFlash(0x011000, 1546);
    EXPECT_EQ(std::string(block.begin(), block.begin() + 4), "FIWF");
    EXPECT_EQ(le::u16(block.data() + 4), 250);
    EXPECT_EQ(le::u16(block.data() + 8), sim::factoryValues().of(Side::Slave).startLine);
    EXPECT_EQ(block[600], 0x77);
    EXPECT_EQ(frame.readFlash(0x012FFF, 1)[0], 0x12);
    frame.unplug();
    frame.plug();
    EXPECT_EQ(frame.moduleOptics(Side::Master).startLine, 250);
}

TEST_F(CommandHandlingTest, TriggerIsCounted)
{
    EXPECT_EQ(status(0x0B), kDone);
    EXPECT_EQ(status(0x0B), kDone);
    EXPECT_EQ(frame.triggerCount(), 2);
}

// --- Imaging -------------------------------------------------------------------------

TEST_F(CommandHandlingTest, PreviewReadsBothImageMemoriesWithinBounds)
{
    frame.withFirmware([](sim::FrameState& state, sim::CommandTable&) {
        state.module(Side::Master).imageMemory[0][7039] = 0x91;
        state.module(Side::Master).imageMemory[1][0] = 0x92;
    });
    EXPECT_EQ(link.data(0x80, {0x7F, 0x1B, 1, 0})[0], 0x91); // offset 7039
    EXPECT_EQ(link.data(0x00, {0x7F, 0x1B, 1, 0})[0], 0x91);
    EXPECT_EQ(link.data(0x40, {0, 0, 1, 0})[0], 0x92);
    EXPECT_EQ(link.data(0x01, {0x80, 0x02, 1, 0})[0], 20);       // nothing captured yet
    EXPECT_EQ(status(0x80, {0x80, 0x1B, 1, 0}), kRefused);       // offset 7040
    EXPECT_EQ(status(0x80, {0x00, 0x00, 0x81, 0x02}), kRefused); // 641 bytes
    EXPECT_EQ(status(0x80, {0x00, 0x00, 0, 0}), kRefused);
    EXPECT_EQ(status(0x80, {0xFF, 0xFF, 0x80, 0x02}), kRefused);
}

TEST_F(CommandHandlingTest, StartLineSearchAnswersWithinItsRange)
{
    const auto line = [&](uint8_t code, uint16_t low, uint16_t high) {
        const std::vector<uint8_t> d =
            link.data(code, {static_cast<uint8_t>(low), static_cast<uint8_t>(low >> 8),
                             static_cast<uint8_t>(high), static_cast<uint8_t>(high >> 8)});
        return le::u16(d.data());
    };
    EXPECT_EQ(line(0x11, 200, 300), 236);
    EXPECT_EQ(line(0x24, 200, 300), sim::factoryValues().of(Side::Slave).startLine);
    EXPECT_EQ(line(0x11, 50, 200), 0xFFFF);                      // the band is not in those rows
    EXPECT_EQ(status(0x11, {0x2C, 0x01, 0xC8, 0x00}), kRefused); // 300 .. 200
}

TEST_F(CommandHandlingTest, ConfiguredStartLineIsKeptPerModule)
{
    ASSERT_EQ(status(0x25, {0xF0, 0x00}), kDone);
    EXPECT_EQ(frame.moduleOptics(Side::Slave).startLine, 240);
    EXPECT_EQ(frame.moduleOptics(Side::Master).startLine, 236);
    EXPECT_EQ(status(0x12, {0x80, 0x02}), kRefused); // 640
}

TEST_F(CommandHandlingTest, OptimumLineAnswerCarriesTheEightSegments)
{
    const std::vector<uint8_t> d = link.data(0x27, {0, 0, 0x7F, 0x02});
    EXPECT_EQ(d[0], 0x22);
    const sim::OptimumLineTable& table = sim::factoryValues().of(Side::Slave).optimumLines;
    for (size_t k = 0; k < 8; ++k) {
        EXPECT_EQ(le::u16(d.data() + 5 + 6 * k), table[k].line);
        EXPECT_EQ(le::u16(d.data() + 7 + 6 * k), table[k].startColumn);
        EXPECT_EQ(le::u16(d.data() + 9 + 6 * k), table[k].endColumn);
    }
    EXPECT_EQ(d[53], 0);
    EXPECT_EQ(status(0x14, {0, 0, 0x80, 0x02}), kRefused); // end column 640
}

TEST_F(CommandHandlingTest, ExposureAnswerStartsWithTimeThenGain)
{
    const std::vector<uint8_t> d = link.data(0x2A, {100, 0, 0x56, 0x02});
    EXPECT_EQ(d[0], sim::factoryValues().of(Side::Master).exposureTime);
    EXPECT_EQ(d[1], sim::factoryValues().of(Side::Master).exposureGain);
    EXPECT_EQ(status(0x2B, {0x56, 0x02, 100, 0}), kRefused);
}

TEST_F(CommandHandlingTest, TouchQueryAnswersWithoutCandidates)
{
    const std::vector<uint8_t> d = link.data(0x1E, {1, 2, 3, 4, 5, 6, 7});
    EXPECT_TRUE(std::all_of(d.begin(), d.end(), [](uint8_t b) { return b == 0; }));
}

// --- Firmware paths --------------------------------------------------------------------

TEST_F(CommandHandlingTest, JumpAcknowledgesOnlyItsTwoTargets)
{
    EXPECT_EQ(status(0x38, {0x55}), kDone); // the application is already running
    EXPECT_EQ(frame.lastJumpTarget(), 0x55);
    EXPECT_TRUE(frame.isPlugged());
    EXPECT_EQ(status(0x38, {0x00}), kRefused);
    EXPECT_EQ(status(0x38, {0x42}), kDone);
    EXPECT_EQ(frame.lastJumpTarget(), 0x42);
    EXPECT_TRUE(frame.inBootLoader()) << "the frame restarts into its boot loader";
}

TEST_F(CommandHandlingTest, DownloadStreamKeepsEveryPacketOfATransfer)
{
    const std::vector<uint8_t> a(62, 0xA1);
    const std::vector<uint8_t> b(62, 0xB2);
    const std::vector<uint8_t> c(62, 0xC3);
    ASSERT_EQ(status(0xAF, a), kDone);
    ASSERT_EQ(status(0x2F, b), kDone);
    ASSERT_EQ(status(0x6F, c), kDone);
    std::vector<uint8_t> expected = a;
    expected.insert(expected.end(), b.begin(), b.end());
    expected.insert(expected.end(), c.begin(), c.end());
    EXPECT_EQ(frame.downloadedBytes(Side::Master, VirtualFrame::Stream::A), expected);
    EXPECT_TRUE(frame.downloadedBytes(Side::Master, VirtualFrame::Stream::B).empty());
    // A middle packet outside a transfer is refused; a last-only packet is a transfer.
    EXPECT_EQ(status(0x2F, b), kRefused);
    ASSERT_EQ(status(0x6F, c), kDone);
    EXPECT_EQ(frame.downloadedBytes(Side::Master, VirtualFrame::Stream::A), c);
    ASSERT_EQ(status(0x74, a), kDone); // Slave stream B, last-only
    EXPECT_EQ(frame.downloadedBytes(Side::Slave, VirtualFrame::Stream::B), a);
}

TEST_F(CommandHandlingTest, DownloadLargerThanTheFlashIsRefused)
{
    const std::vector<uint8_t> packet(62, 0x01);
    ASSERT_EQ(status(0xAE, packet), kDone);
    size_t sent = 62;
    while (sent + 62 <= sim::DownloadStream::kCapacity) {
        ASSERT_EQ(status(0x2E, packet), kDone);
        sent += 62;
    }
    EXPECT_EQ(status(0x2E, packet), kRefused);
    EXPECT_EQ(status(0x2E, packet), kRefused); // the transfer is over
}

} // namespace
