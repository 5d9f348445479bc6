#include "imaging/LineImages.h"

#include "device/Delay.h"
#include "device/DeviceState.h"
#include "sim/SimTransport.h"
#include "sim/VirtualFrame.h"

#include <gtest/gtest.h>

namespace {

using namespace frame_geometry;

class LineImagesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        delay::setTimeScale(0.0);
        resetDeviceState();
        frame = std::make_shared<sim::VirtualFrame>();
        device = std::make_unique<Device>(std::make_unique<sim::SimTransport>(frame));
        uint16_t pid = 0;
        ASSERT_EQ(device->transport().open(pid), 1);
        g_bDevExist = 1;
        frame->holdPictures();
        // A recognisable picture in each camera's memories: value = f(side, memory, offset).
        frame->withFirmware([](sim::FrameState& state, sim::CommandTable&) {
            for (Side side : {Side::Master, Side::Slave})
                for (int m = 0; m < 2; ++m) {
                    auto& memory = state.module(side).imageMemory[static_cast<size_t>(m)];
                    for (size_t i = 0; i < memory.size(); ++i)
                        memory[i] = pixel(side, m, i);
                }
        });
    }
    void TearDown() override { delay::setTimeScale(1.0); }

    static uint8_t pixel(Side side, int memory, size_t offset)
    {
        return static_cast<uint8_t>(offset * 7 + (side == Side::Slave ? 101 : 0) + memory * 53);
    }
    // The image reads in the request log: command byte, offset, length.
    struct Read {
        uint8_t command;
        uint16_t offset;
        uint16_t length;
    };
    std::vector<Read> reads() const
    {
        std::vector<Read> out;
        for (const auto& r : frame->requestLog())
            if ((r[1] & 0x3E) == 0)
                out.push_back({r[1], static_cast<uint16_t>(r[2] | r[3] << 8),
                               static_cast<uint16_t>(r[4] | r[5] << 8)});
        return out;
    }

    std::shared_ptr<sim::VirtualFrame> frame;
    std::unique_ptr<Device> device;
};

TEST_F(LineImagesTest, BuffersStartZeroedAndAreReleased)
{
    {
        FrameBuffers buffers;
        ASSERT_TRUE(buffers.valid());
        EXPECT_TRUE(
            std::all_of(pFrameYA, pFrameYA + kBufferSize, [](uint8_t b) { return b == 0; }));
        EXPECT_TRUE(
            std::all_of(pFrameYB, pFrameYB + kBufferSize, [](uint8_t b) { return b == 0; }));
    }
    EXPECT_EQ(pFrameYA, nullptr);
    EXPECT_EQ(pFrameYB, nullptr);
    ImageReadRequest r;
    r.length = 640;
    EXPECT_EQ(GetPreviewData(*device, r), 0) << "no buffers, no read";
}

TEST_F(LineImagesTest, PreviewFrameFillsOnlyTheLinesRead)
{
    FrameBuffers buffers;
    ASSERT_EQ(readPreviewFrame(*device, 8), 1);
    EXPECT_EQ(g_PreviewSucFlag, 1);
    for (size_t i = 0; i < 8 * kLineWidth; ++i) {
        ASSERT_EQ(pFrameYA[i], pixel(Side::Master, 0, i)) << i;
        ASSERT_EQ(pFrameYB[i], pixel(Side::Slave, 0, i)) << i;
    }
    EXPECT_TRUE(std::all_of(pFrameYA + 8 * kLineWidth, pFrameYA + kBufferSize,
                            [](uint8_t b) { return b == 0; }));
    const auto r = reads();
    ASSERT_EQ(r.size(), 16u);
    EXPECT_EQ(r[0].command, 0x80);
    EXPECT_EQ(r[1].command, 0x81) << "the Master line first, then the Slave line";
    EXPECT_EQ(r[15].offset, 7 * 640);
    EXPECT_EQ(r[15].length, 640);
}

TEST_F(LineImagesTest, AMasterFailureLeavesTheSlaveBufferUntouched)
{
    FrameBuffers buffers;
    std::fill(pFrameYB, pFrameYB + kBufferSize, 0xAB);
    frame->refuseCommand(0x00, 1);
    ImageReadRequest r;
    r.length = 640;
    EXPECT_EQ(GetPreviewData(*device, r), 0);
    EXPECT_EQ(g_PreviewSucFlag, 0);
    EXPECT_TRUE(std::all_of(pFrameYB, pFrameYB + kBufferSize, [](uint8_t b) { return b == 0xAB; }));
    EXPECT_EQ(reads().size(), 1u) << "no Slave read after a failed Master read";
    EXPECT_EQ(g_bDevExist, 1) << "a refusal does not lose the frame";
}

TEST_F(LineImagesTest, ALostFrameMarksTheDeviceGone)
{
    FrameBuffers buffers;
    frame->unplug();
    EXPECT_EQ(readPreviewFrame(*device, 8), 0);
    EXPECT_EQ(g_bDevExist, 0);
    EXPECT_EQ(g_isDeviceCommunicate, 0);
}

TEST_F(LineImagesTest, RequestsOutsideTheBuffersAreRefused)
{
    FrameBuffers buffers;
    ImageReadRequest r;
    r.length = 641;
    EXPECT_EQ(GetPreviewData(*device, r), 0);
    r.length = 61;
    r.destination = kBufferSize - 60;
    EXPECT_EQ(GetPreviewData(*device, r), 0);
    EXPECT_TRUE(reads().empty());
}

TEST_F(LineImagesTest, ChunkedReadEndsExactlyAtTheLineBoundaries)
{
    FrameBuffers buffers;
    ASSERT_EQ(readChunkedFrame(*device), 1);
    const auto r = reads();
    ASSERT_EQ(r.size(), 190u); // 95 requests, each for both cameras
    // n = 83: the last first-memory request, 57 bytes ending at 5120.
    EXPECT_EQ(r[2 * 83].command, 0x80);
    EXPECT_EQ(r[2 * 83].offset, 61 * 83);
    EXPECT_EQ(r[2 * 83].length, 57);
    EXPECT_EQ(r[2 * 83].offset + r[2 * 83].length, 5120);
    // n = 84: the second memory from its start; n = 94: 30 bytes ending the line.
    EXPECT_EQ(r[2 * 84].command, 0x40);
    EXPECT_EQ(r[2 * 84 + 1].command, 0x41);
    EXPECT_EQ(r[2 * 84].offset, 0);
    EXPECT_EQ(r[2 * 94].offset, 610);
    EXPECT_EQ(r[2 * 94].length, 30);
    for (size_t i = 0; i < 5120; ++i)
        ASSERT_EQ(pFrameYA[i], pixel(Side::Master, 0, i)) << i;
    for (size_t i = 0; i < 640; ++i)
        ASSERT_EQ(pFrameYB[5120 + i], pixel(Side::Slave, 1, i)) << i;
    EXPECT_EQ(pFrameYA[5760], 0) << "nothing beyond 5760";
}

TEST_F(LineImagesTest, EdgeSampleReadsTwoHalvesPerLineWithTheGuardBetween)
{
    EdgeSample sample{};
    int guards = 0;
    ReadControl control;
    control.stepGuard = [&] {
        ++guards;
        return true;
    };
    ASSERT_EQ(readEdgeSample(*device, Side::Slave, sample, control), 1);
    EXPECT_EQ(guards, 8);
    const auto r = reads();
    ASSERT_EQ(r.size(), 16u);
    EXPECT_EQ(r[0].command, 0x81);
    EXPECT_EQ(r[0].offset, 540);
    EXPECT_EQ(r[0].length, 50);
    EXPECT_EQ(r[1].offset, 590);
    EXPECT_EQ(r[15].offset, 7 * 640 + 590);
    for (size_t k = 0; k < 8; ++k)
        for (size_t c = 0; c < 100; ++c)
            ASSERT_EQ(sample[100 * k + c], pixel(Side::Slave, 0, 640 * k + 540 + c));
}

TEST_F(LineImagesTest, EdgeSampleStopsOnTheGuardTheStopFlagOrALostFrame)
{
    EdgeSample sample{};
    ReadControl control;
    control.stepGuard = [] { return false; };
    EXPECT_EQ(readEdgeSample(*device, Side::Master, sample, control), 0);
    EXPECT_EQ(reads().size(), 1u);

    control = {};
    control.stopRequested = [] { return true; };
    EXPECT_EQ(readEdgeSample(*device, Side::Master, sample, control), 0);
    EXPECT_EQ(reads().size(), 1u);

    std::vector<int> codes;
    control = {};
    control.report = [&](int c) { codes.push_back(c); };
    g_isDeviceCommunicate = 0;
    EXPECT_EQ(readEdgeSample(*device, Side::Master, sample, control), 0);
    EXPECT_EQ(codes, std::vector<int>{6});
}

} // namespace
