#include "device/ConfigRecord.h"

#include "LogCapture.h"
#include "device/Delay.h"
#include "device/DeviceState.h"
#include "sim/SimTransport.h"
#include "sim/VirtualFrame.h"

#include <gtest/gtest.h>

namespace {

TEST(ConfigRecordLayout, FieldsSitAtTheirOffsets)
{
    ConfigRecord r;
    r.screenSize = 3;
    r.smoothness = 1;
    r.TouchEnable = 0;
    r.ScreenDirection = 2;
    r.FiveCalibEn = 1;
    r.fourPointCalibEn = 1;
    r.CalibWay = 2;
    r.CalibCnt = 10;
    r.InfraredExpTime = 0xA0;
    r.InfraredExpGain = 5;
    r.InfraredPenMode = 1;
    r.TouchType = 3;
    r.XPRightClickMode = 7;
    r.TouchRightClickDistThres = 0x10;
    r.TouchRightClickTimeThres = 0x240;
    r.TouchRightClickIncFrameThres = 0x01020304;
    r.SensorType = 1;
    const ConfigRecordBytes b = r.encode();
    const ConfigRecordBytes expected = {0x46, 0x49, 0x43, 0x41, 3,    1,    0,    2,    0, 1, 1,
                                        2,    10,   0xA0, 5,    1,    3,    7,    0x10, 0, 0, 0,
                                        0x40, 0x02, 0,    0,    0x04, 0x03, 0x02, 0x01, 1};
    EXPECT_EQ(b, expected);
    EXPECT_EQ(ConfigRecord::decode(b), r);
}

// The default record, byte for byte, as the frame's algorithm expects it: every byte is
// literal, so a changed default fails here and in the blank-flash test below.
const ConfigRecordBytes kDefaultRecord = {
    0x46, 0x49, 0x43, 0x41, // flag "FICA"
    0,                      // screen size
    0,                      // smoothness
    1,                      // TouchEnable
    0,                      // ScreenDirection
    0,                      // reserved
    0,                      // FiveCalibEn
    0,                      // four-point calibration enable
    1,                      // CalibWay
    8,                      // CalibCnt
    144,                    // InfraredExpTime
    4,                      // InfraredExpGain
    0,                      // InfraredPenMode
    1,                      // TouchType
    0,                      // XPRightClickMode
    10,   0,    0,    0,    // TouchRightClickDistThres
    240,  0,    0,    0,    // TouchRightClickTimeThres
    6,    0,    0,    0,    // TouchRightClickIncFrameThres
    0,                      // SensorType
};

TEST(ConfigRecordLayout, DefaultsAndValidity)
{
    const ConfigRecordBytes b = ConfigRecord{}.encode();
    EXPECT_EQ(b, kDefaultRecord);
    EXPECT_TRUE(ConfigRecord::decode(b).valid());
    ConfigRecordBytes other = b;
    other[3] ^= 0x01;
    EXPECT_FALSE(ConfigRecord::decode(other).valid()) << "a flag that differs in any bit is absent";
}

TEST(ConfigRecordLayout, ExposureScaleAndTime)
{
    EXPECT_EQ(exposureTimeForScale(1), 112);
    EXPECT_EQ(exposureTimeForScale(6), 192);
    EXPECT_EQ(exposureScaleForTime(144), 3);
    EXPECT_EQ(exposureScaleForTime(192), 6);
    EXPECT_FALSE(exposureScaleForTime(0x0a));
    EXPECT_FALSE(exposureScaleForTime(145));
}

class ConfigRecordDeviceTest : public ::testing::Test {
protected:
    void start(sim::VirtualFrame::Contents contents)
    {
        delay::setTimeScale(0.0);
        resetDeviceState();
        frame = std::make_shared<sim::VirtualFrame>(contents);
        device = std::make_unique<Device>(std::make_unique<sim::SimTransport>(frame));
        uint16_t pid = 0;
        ASSERT_EQ(device->transport().open(pid), 1);
        g_bDevExist = 1;
    }
    void TearDown() override { delay::setTimeScale(1.0); }
    int writesTo(uint32_t first, uint32_t last) const
    {
        int n = 0;
        for (const auto& r : frame->requestLog()) {
            const uint32_t a = static_cast<uint32_t>(r[2] | r[3] << 8 | r[4] << 16);
            if ((r[1] == 0x09 || r[1] == 0x0D) && a >= first && a <= last)
                ++n;
        }
        return n;
    }

    LogCapture log;
    std::shared_ptr<sim::VirtualFrame> frame;
    std::unique_ptr<Device> device;
};

TEST_F(ConfigRecordDeviceTest, BlankFlashGetsTheDefaultRecord)
{
    start(sim::VirtualFrame::Contents::Blank);
    ASSERT_EQ(EnsureConfigRecord(*device), 1);
    const std::vector<uint8_t> stored = frame->readFlash(0x018000, 31);
    EXPECT_EQ(stored, std::vector<uint8_t>(kDefaultRecord.begin(), kDefaultRecord.end()));
    const QByteArray text = log.text();
    EXPECT_TRUE(text.contains("\nWriteConInfo.ALGConfigInfoFlag(0x41434946):0x41434946\n"));
    EXPECT_TRUE(text.contains("\nWriteConInfo.CalibCnt(8/10):8\nWriteConInfo.CalibWay(1/2):1\n"))
        << "raw lines, in the listed order";
    EXPECT_TRUE(text.endsWith("WriteConInfo.XPRightClickMode(0):0\nWriteConInfo.TouchType(1):1\n"));
    EXPECT_FALSE(text.contains("ReadConInfo"));
}

TEST_F(ConfigRecordDeviceTest, AValidRecordIsNeverRewritten)
{
    start(sim::VirtualFrame::Contents::Factory);
    ConfigRecord odd;
    odd.CalibCnt = 99;
    odd.TouchType = 200; // out of the documented ranges, but valid
    ConfigRecordBytes bytes = odd.encode();
    frame->writeFlash(0x018000, std::vector<uint8_t>(bytes.begin(), bytes.end()));
    frame->clearRequestLog();
    ASSERT_EQ(EnsureConfigRecord(*device), 1);
    EXPECT_EQ(writesTo(0x018000, 0x018FFF), 0);
    EXPECT_TRUE(log.contains("ReadConInfo.CalibCnt(8/10):99\n"));
    EXPECT_TRUE(log.contains("ReadConInfo.TouchType(1):200\n"));
}

TEST_F(ConfigRecordDeviceTest, WriteErasesThenWritesFlagLastAlsoThroughTheSlaveWord)
{
    start(sim::VirtualFrame::Contents::Factory);
    ConfigRecord r;
    r.InfraredPenMode = 1;
    r.InfraredExpTime = 0xB0;
    frame->clearRequestLog();
    ASSERT_EQ(WriteConfigRecord(*device, r, Side::Slave), 1);
    const auto requests = frame->requestLog();
    ASSERT_GE(requests.size(), 11u);
    EXPECT_EQ(requests[0][1], 0x0D);
    EXPECT_EQ(requests[0][5], 1) << "one sector";
    EXPECT_EQ(requests.back()[1], 0x09);
    EXPECT_EQ(requests.back()[5], 4) << "the flag goes last";
    ConfigRecord back;
    ASSERT_EQ(ReadConfigRecord(*device, back), 1);
    EXPECT_EQ(back, r);
}

TEST_F(ConfigRecordDeviceTest, TransferFailuresEndWithZero)
{
    start(sim::VirtualFrame::Contents::Blank);
    frame->refuseCommand(0x0A);
    EXPECT_EQ(EnsureConfigRecord(*device), 0);
    frame->clearFaults();
    frame->failFlashWrites(sim::FlashWriteFault::Refuse);
    EXPECT_EQ(EnsureConfigRecord(*device), 0);
    EXPECT_FALSE(ConfigRecord::decode([&] {
                     ConfigRecordBytes b{};
                     const auto v = frame->readFlash(0x018000, 31);
                     std::copy(v.begin(), v.end(), b.begin());
                     return b;
                 }())
                     .valid())
        << "an interrupted write leaves no valid flag";
}

} // namespace
