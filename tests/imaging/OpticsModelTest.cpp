// The optics of the virtual frame: what its cameras see and what its searches answer.
#include "ImagingTestSupport.h"

#include "device/ByteOrder.h"
#include "sim/FlashImages.h"
#include "sim/OpticsModel.h"

#include <numeric>

namespace {

using namespace imagingtest;
using frame_geometry::kLineWidth;

class OpticsModelTest : public ImagingTest {
protected:
    // One fresh picture of both cameras (a read from the start takes a new one).
    void grab(int lines = 11) { ASSERT_EQ(readPreviewFrame(*device, lines), 1); }
    static int pixel(const uint8_t* frame, size_t row, size_t col)
    {
        return frame[row * kLineWidth + col];
    }
    FrameBuffers buffers;
};

TEST_F(OpticsModelTest, FactoryBlockHoldsWhatALevelingOfTheBezelFinds)
{
    for (Side side : {Side::Master, Side::Slave}) {
        const sim::ModuleOptics truth = frame->opticsTruth(side);
        const sim::ModuleOptics stored = sim::factoryValues().of(side);
        EXPECT_EQ(stored.startLine, truth.startLine);
        EXPECT_EQ(stored.endColumn, truth.endColumn);
        EXPECT_EQ(stored.exposureTime, truth.exposureTime);
        EXPECT_EQ(stored.exposureGain, truth.exposureGain);
        for (size_t k = 0; k < 8; ++k) {
            EXPECT_EQ(stored.optimumLines[k].line, truth.optimumLines[k].line);
            EXPECT_EQ(stored.optimumLines[k].startColumn, 80 * k);
            EXPECT_EQ(stored.optimumLines[k].endColumn, 80 * (k + 1));
        }
    }
    const std::vector<uint8_t> block = frame->readFlash(flash_map::kSensorBlock, 136);
    EXPECT_EQ(le::u16(block.data() + 4), sim::factoryBezel(Side::Master).startLine);
    EXPECT_EQ(le::u16(block.data() + 76), sim::factoryBezel(Side::Slave).endColumn);
}

TEST_F(OpticsModelTest, LitBandSitsOnTheOptimumLinesAndEndsAtTheEndColumn)
{
    grab();
    for (Side side : {Side::Master, Side::Slave}) {
        const uint8_t* f = side == Side::Master ? pFrameYA : pFrameYB;
        const sim::ModuleOptics truth = frame->opticsTruth(side);
        for (const sim::OptimumSegment& s : truth.optimumLines) {
            for (size_t col = s.startColumn; col < s.endColumn && col < truth.endColumn; ++col) {
                // The three rows of the segment's line are lit, rows far away are not.
                for (size_t r = 0; r < 3; ++r)
                    ASSERT_GT(pixel(f, s.line + r, col), 100) << sideName(side) << " col " << col;
                if (s.line >= 3) {
                    ASSERT_LT(pixel(f, s.line - 3, col), 30) << sideName(side) << " col " << col;
                }
                if (s.line + 6 < 11) {
                    ASSERT_LT(pixel(f, s.line + 6, col), 30) << sideName(side) << " col " << col;
                }
            }
        }
        for (size_t r = 0; r < 11; ++r)
            for (size_t col = truth.endColumn; col < kLineWidth; ++col)
                ASSERT_LT(pixel(f, r, col), 30) << "beyond the end, row " << r << " col " << col;
    }
}

TEST_F(OpticsModelTest, EmittersLightTheBandAndCapturesAddNoise)
{
    frame->setFpgaRegister(Side::Master, 0x36, 0);
    frame->setFpgaRegister(Side::Master, 0x37, 0);
    grab();
    const std::vector<uint8_t> slaveIdeal = frame->idealPicture(Side::Slave);
    int brightest = 0;
    for (size_t i = 0; i < 8 * kLineWidth; ++i)
        brightest = std::max(brightest, static_cast<int>(pFrameYA[i]));
    EXPECT_LT(brightest, 30) << "a normal frame shows nothing with its emitters dark";
    int differing = 0;
    for (size_t i = 0; i < 8 * kLineWidth; ++i) {
        ASSERT_NEAR(pFrameYB[i], slaveIdeal[i], sim::optics::kNoise);
        differing += pFrameYB[i] != slaveIdeal[i];
    }
    EXPECT_GT(differing, 1000) << "captured pictures carry noise";

    ASSERT_EQ(device->access.MsgFPGAPortWriteReg(Side::Master, 0x30, 1), 1);
    EXPECT_EQ(frame->captureCount(Side::Master), 1);
}

TEST_F(OpticsModelTest, FourLightsFrameShowsTheOppositeLampsOnlyWithItsOwnEmittersDark)
{
    setConfigRecord(0, 1);
    frame->setFpgaRegister(Side::Master, 0x36, 0);
    frame->setFpgaRegister(Side::Master, 0x37, 0);
    grab(8);
    const uint16_t end = frame->bezel(Side::Master).endColumn;
    int sumBefore = 0;
    int sumAt = 0;
    for (size_t r = 0; r < 8; ++r) {
        sumBefore += pixel(pFrameYA, r, end - 1);
        sumAt += pixel(pFrameYA, r, end);
    }
    EXPECT_LT(sumBefore, 320);
    EXPECT_GT(sumAt, 1760);
    // The Slave's own emitters are lit: no lamps in its picture.
    const uint16_t slaveEnd = frame->bezel(Side::Slave).endColumn;
    for (size_t r = 0; r < 8; ++r)
        EXPECT_LT(pixel(pFrameYB, r, slaveEnd + 5), 30);
    // A normal frame does not show them at all.
    setConfigRecord(0, 0);
    grab(8);
    EXPECT_LT(pixel(pFrameYA, 4, end + 2), 30);
}

TEST_F(OpticsModelTest, TestPatternAndPixelPort)
{
    for (uint8_t reg : {uint8_t{0x38}, uint8_t{0x84}})
        ASSERT_EQ(device->commands.I2CWrite(Side::Slave, reg, reg == 0x38 ? 7 : 2), 1);
    grab(1);
    const std::array<std::pair<size_t, int>, 8> checks = {{{40, 0xFF},
                                                           {120, 0xE6},
                                                           {200, 0xC2},
                                                           {280, 0xAA},
                                                           {360, 0x91},
                                                           {440, 0x79},
                                                           {520, 0x55},
                                                           {600, 0x3D}}};
    for (const auto& [col, level] : checks) {
        EXPECT_EQ(pixel(pFrameYB, 0, col), level) << col;
        ASSERT_EQ(device->access.MsgFPGAPortWriteReg(Side::Slave, 0x33, col & 0xFF), 1);
        ASSERT_EQ(device->access.MsgFPGAPortWriteReg(Side::Slave, 0x34, col >> 8), 1);
        uint8_t value = 0;
        ASSERT_EQ(device->access.MsgFPGAPortReadReg(Side::Slave, 0x35, value), 1);
        EXPECT_EQ(value, level) << col;
    }
    EXPECT_EQ(pixel(pFrameYB, 0, 80), (0xFF + 0xE6) / 2 + 1) << "straight between check points";
    EXPECT_NE(pixel(pFrameYA, 0, 40), 0xFF) << "the Master still shows its picture";
    // Only 0x38 = 7 together with 0x84 = 2 is the pattern.
    ASSERT_EQ(device->commands.I2CWrite(Side::Slave, 0x84, 0x70), 1);
    grab(1);
    EXPECT_LT(pixel(pFrameYB, 0, 40), 30);
}

TEST_F(OpticsModelTest, BrokenDataLineCorruptsEveryPixelOfThatSensor)
{
    frame->breakSensorDataLine(Side::Master, 7);
    grab();
    for (size_t i = 0; i < 11 * kLineWidth; ++i)
        ASSERT_EQ(pFrameYA[i] & 0x80, 0) << i;
    const std::vector<uint8_t> ideal = frame->idealPicture(Side::Master);
    EXPECT_EQ(ideal[2 * kLineWidth + 100] & 0x80, 0);
    frame->breakSensorDataLine(Side::Slave, 2, true);
    grab();
    for (size_t i = 0; i < 11 * kLineWidth; ++i)
        ASSERT_EQ(pFrameYB[i] & 0x04, 0x04) << i;
    frame->clearFaults();
    grab();
    EXPECT_TRUE(std::any_of(pFrameYA, pFrameYA + 7040, [](uint8_t b) { return b & 0x80; }));
}

TEST_F(OpticsModelTest, DarkStretchLeavesTheBandDarkThereAndRaisesTheExposure)
{
    const sim::ModuleOptics before = frame->opticsTruth(Side::Slave);
    frame->darkenBezel(Side::Slave, 300, 40);
    grab();
    std::array<uint8_t, 53> reply{};
    ASSERT_EQ(device->commands.OptimalizeLine(Side::Slave, 0, 639, reply), 1);
    const uint16_t line = decodeOptimumLines(reply.data() + 5)[3].line; // columns 240..319
    EXPECT_GT(pixel(pFrameYB, line + 1, 299), 100);
    EXPECT_LT(pixel(pFrameYB, line + 1, 300), 30);
    EXPECT_LT(pixel(pFrameYB, line + 1, 339), 30);
    EXPECT_GT(pixel(pFrameYB, line + 1, 340), 100);
    EXPECT_GT(frame->opticsTruth(Side::Slave).exposureTime, before.exposureTime);
}

TEST_F(OpticsModelTest, StartLineSearchFindsTheBandOnlyInItsRange)
{
    uint16_t line = 0;
    ASSERT_EQ(device->commands.SearchStartline(Side::Slave, 200, 300, line), 1);
    EXPECT_EQ(line, frame->bezel(Side::Slave).startLine);
    ASSERT_EQ(device->commands.SearchStartline(Side::Slave, 50, 200, line), 1);
    EXPECT_EQ(line, 0xFFFF);
    sim::BezelTruth moved = frame->bezel(Side::Slave);
    moved.startLine = 120;
    frame->setBezel(Side::Slave, moved);
    ASSERT_EQ(device->commands.SearchStartline(Side::Slave, 50, 200, line), 1);
    EXPECT_EQ(line, 120);
    frame->hideStartLine(Side::Slave);
    ASSERT_EQ(device->commands.SearchStartline(Side::Slave, 50, 200, line), 1);
    EXPECT_EQ(line, 0xFFFF);
    ASSERT_EQ(device->commands.SearchStartline(Side::Master, 200, 300, line), 1);
    EXPECT_EQ(line, 236) << "the other module is not affected";
}

TEST_F(OpticsModelTest, OptimumLinesFollowTheConfiguredWindowAndRequestedColumns)
{
    std::array<uint8_t, 53> reply{};
    ASSERT_EQ(device->commands.ConfigStartline(Side::Master, 236 + 1), 1);
    ASSERT_EQ(device->commands.OptimalizeLine(Side::Master, 0, 639, reply), 1);
    const OptimumLineTable shifted = decodeOptimumLines(reply.data() + 5);
    const sim::ModuleOptics truth = frame->opticsTruth(Side::Master);
    for (size_t k = 0; k < 8; ++k)
        EXPECT_EQ(shifted[k].line + 1, truth.optimumLines[k].line) << k;

    ASSERT_EQ(device->commands.ConfigStartline(Side::Master, 236), 1);
    ASSERT_EQ(device->commands.OptimalizeLine(Side::Master, 40, 599, reply), 1);
    const OptimumLineTable table = decodeOptimumLines(reply.data() + 5);
    EXPECT_EQ(table[0].startColumn, 40);
    EXPECT_EQ(table[0].endColumn, 110);
    EXPECT_EQ(table[7].endColumn, 600);
    const sim::ModuleOptics kept = frame->moduleOptics(Side::Master);
    EXPECT_EQ(kept.startColumn, 40);
    EXPECT_EQ(kept.endColumn, 599);
}

TEST_F(OpticsModelTest, RegisterFaults)
{
    frame->driftSensorRegister(Side::Slave, 0x05);
    ASSERT_EQ(device->commands.I2CWrite(Side::Slave, 0x05, 5), 1);
    uint8_t v = 0;
    ASSERT_EQ(device->commands.I2C_Read(Side::Slave, 0x05, v), 1);
    EXPECT_EQ(v, 5);
    ASSERT_EQ(device->commands.I2C_Read(Side::Slave, 0x05, v), 1);
    EXPECT_EQ(v, 6);
    ASSERT_EQ(device->commands.I2C_Read(Side::Master, 0x05, v), 1);
    ASSERT_EQ(device->commands.I2C_Read(Side::Master, 0x05, v), 1);
    EXPECT_EQ(v, 0) << "registers without the fault stay put";

    frame->stickFpgaRegister(Side::Master, 0x30, 1);
    ASSERT_EQ(device->access.MsgFPGAPortWriteReg(Side::Master, 0x30, 1), 1);
    ASSERT_EQ(device->access.MsgFPGAPortReadReg(Side::Master, 0x30, v), 1);
    EXPECT_EQ(v, 1) << "a capture that never ends";
    EXPECT_EQ(frame->captureCount(Side::Master), 0);
    frame->clearFaults();
    ASSERT_EQ(device->access.MsgFPGAPortWriteReg(Side::Master, 0x30, 1), 1);
    ASSERT_EQ(device->access.MsgFPGAPortReadReg(Side::Master, 0x30, v), 1);
    EXPECT_EQ(v, 0);
}

} // namespace
