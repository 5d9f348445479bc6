#include "device/FlashBlocks.h"

#include "FakeFlashFrame.h"
#include "device/Delay.h"
#include "device/DeviceState.h"
#include "tests/support/DeviceStateTest.h"

#include <gtest/gtest.h>

#include <numeric>

namespace {

class FlashBlocksTest : public DeviceStateTest {
protected:
    void SetUp() override
    {
        DeviceStateTest::SetUp();
        transport.setResponder(frame.responder());
        for (size_t i = 0; i < block.size(); ++i)
            block[i] = static_cast<uint8_t>(i * 7 + 3);
        le::put32(block.data(), flash_map::SENSORInfoFlag);
    }

    FakeFlashFrame frame;
    ScriptedTransport transport;
    DeviceLink link{transport};
    FrameCommands commands{link};
    RegisterAccess access{commands};
    FlashBlocks blocks{access};
    SensorBlock block{};
};

TEST_F(FlashBlocksTest, SensorBlockIsWrittenInPiecesWithTheFlagLast)
{
    ASSERT_EQ(blocks.writeSensorBlock(block), 1);
    const auto writes = flashWrites(transport.requests);
    ASSERT_EQ(writes.size(), 50u);
    for (size_t k = 0; k < 48; ++k) {
        EXPECT_EQ(writes[k].address, 0x011000 + 32 * k);
        ASSERT_EQ(writes[k].data.size(), 32u);
        for (size_t i = 0; i < 32; ++i) {
            const uint8_t expected = (k == 0 && i < 4) ? 0xFF : block[k * 32 + i];
            EXPECT_EQ(writes[k].data[i], expected) << k << ":" << i;
        }
    }
    EXPECT_EQ(writes[48].address, 0x011600u);
    ASSERT_EQ(writes[48].data.size(), 32u);
    EXPECT_TRUE(std::equal(block.begin() + 1536, block.end(), writes[48].data.begin()));
    EXPECT_TRUE(std::all_of(writes[48].data.begin() + 10, writes[48].data.end(),
                            [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(writes[49].address, 0x011000u);
    EXPECT_EQ(writes[49].data, std::vector<uint8_t>(block.begin(), block.begin() + 4));
    // The read-back follows the last write.
    EXPECT_EQ(transport.requests.back()[1], 0x0A);
    EXPECT_TRUE(std::equal(block.begin(), block.end(), frame.flash.begin() + 0x011000));
}

TEST_F(FlashBlocksTest, ReadBackDifferingOnlyInTheFlagBytesStillSucceeds)
{
    frame.onRead = [](uint32_t address, uint8_t* data, size_t) {
        if (address == 0x011000)
            data[0] ^= 0x01; // flag byte read back wrong
    };
    EXPECT_EQ(blocks.writeSensorBlock(block), 1);
}

TEST_F(FlashBlocksTest, ReadBackDifferingInTheBodyFails)
{
    for (uint32_t bad : {4u, 1545u}) {
        frame.onRead = [bad](uint32_t address, uint8_t* data, size_t n) {
            const uint32_t target = 0x011000 + bad;
            if (target >= address && target < address + n)
                data[target - address] ^= 0x40;
        };
        transport.requests.clear();
        EXPECT_EQ(blocks.writeSensorBlock(block), 0) << bad;
    }
}

TEST_F(FlashBlocksTest, AFailedWriteStopsBeforeTheFlag)
{
    int writes = 0;
    auto inner = frame.responder();
    transport.setResponder([&](const auto& req, int poll, uint8_t* reply) {
        if (req[1] == 0x09 && poll == 0 && ++writes == 10) {
            reply[1] = 0x09;
            reply[2] = 0xFF;
            return true;
        }
        return inner(req, poll, reply);
    });
    EXPECT_EQ(blocks.writeSensorBlock(block), 0);
    EXPECT_EQ(flashWrites(transport.requests).size(), 10u);
    EXPECT_EQ(le::u32(&frame.flash[0x011000]), 0xFFFFFFFFu)
        << "no valid flag after an interrupted write";
}

TEST_F(FlashBlocksTest, ConfigRecordIsNineBlocksThenTheFlag)
{
    ConfigRecordBytes record{};
    for (size_t i = 0; i < record.size(); ++i)
        record[i] = static_cast<uint8_t>(0xA0 + i);
    ASSERT_EQ(blocks.writeConfigRecordBlocks(record, Side::Slave), 1);
    const auto writes = flashWrites(transport.requests);
    ASSERT_EQ(writes.size(), 10u);
    for (size_t k = 0; k < 9; ++k)
        EXPECT_EQ(writes[k].address, 0x018000 + 32 * k) << "the Slave form reaches the same flash";
    EXPECT_EQ(writes[0].data[0], 0xFF);
    EXPECT_EQ(writes[0].data[3], 0xFF);
    EXPECT_EQ(writes[0].data[4], 0xA4);
    EXPECT_EQ(writes[0].data[30], 0xA0 + 30);
    EXPECT_EQ(writes[0].data[31], 0);
    EXPECT_EQ(writes[8].data, std::vector<uint8_t>(32, 0));
    EXPECT_EQ(writes[9].address, 0x018000u);
    EXPECT_EQ(writes[9].data, (std::vector<uint8_t>{0xA0, 0xA1, 0xA2, 0xA3}));
    EXPECT_EQ(transport.requests.back()[1], 0x09) << "no read-back";
}

TEST_F(FlashBlocksTest, VersionsAreDecodedAndKeptPerModule)
{
    le::put32(&frame.flash[0x013000], 0x01030002);
    le::put32(&frame.flash[0x013004], 0x01000007);
    ModuleVersions v;
    ASSERT_EQ(blocks.readVersions(Side::Slave, v), 1);
    EXPECT_EQ(v.image, 0x01030002u);
    EXPECT_EQ(v.bootLoader, 0x01000007u);
    EXPECT_TRUE(blocks.versions(Side::Slave).valid);
    EXPECT_FALSE(blocks.versions(Side::Master).valid);
    frame.failReads = true;
    EXPECT_EQ(blocks.readVersions(Side::Master, v), 0);
    EXPECT_EQ(v.image, 0xFFFFFFFFu);
    EXPECT_EQ(g_bDevExist, 0);
    EXPECT_EQ(g_isDeviceCommunicate, 0) << "a transport failure marks the frame lost";
}

TEST_F(FlashBlocksTest, ReadCalibInfoReadsTheWholeBlock)
{
    std::copy(block.begin(), block.end(), frame.flash.begin() + 0x011000);
    SensorBlock read{};
    ASSERT_EQ(blocks.ReadCalibInfo(read), 1);
    EXPECT_EQ(read, block);
    frame.statusOf[0x0A] = 0xFF;
    EXPECT_EQ(blocks.ReadCalibInfo(read), 0);
    EXPECT_TRUE(std::all_of(read.begin(), read.end(), [](uint8_t b) { return b == 0xFF; }));
}

} // namespace
