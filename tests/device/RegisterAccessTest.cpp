#include "device/RegisterAccess.h"

#include "FakeFlashFrame.h"
#include "device/Delay.h"
#include "device/DeviceState.h"
#include "tests/support/DeviceStateTest.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace {

namespace aw = address_word;

class RegisterAccessTest : public DeviceStateTest {
protected:
    void SetUp() override
    {
        DeviceStateTest::SetUp();
        g_bDevExist = 1;
        transport.setResponder(frame.responder());
        for (size_t i = 0; i < 0x1000; ++i)
            frame.flash[i] = static_cast<uint8_t>(i);
    }

    RegisterRequest request(uint32_t word, uint32_t length, std::vector<uint8_t> data = {})
    {
        RegisterRequest r;
        r.addressWord = word;
        r.length = length;
        r.data = std::move(data);
        return r;
    }

    FakeFlashFrame frame;
    ScriptedTransport transport;
    DeviceLink link{transport};
    FrameCommands commands{link};
    RegisterAccess access{commands};
    ScratchDir dir;
};

TEST(AddressWord, FieldsAndSlaveBit)
{
    EXPECT_EQ(aw::make(aw::kSpaceFlash, 0x011000), 0x02011000u);
    EXPECT_EQ(aw::make(aw::kSpaceFlash, 0x018000, Side::Slave), 0x12018000u);
    EXPECT_EQ(aw::make(aw::kSpaceSensor, 0x19, Side::Slave), 0x11000019u);
    EXPECT_EQ(aw::make(aw::kSpaceStream, 0x4000), 0x03004000u);
    EXPECT_EQ(aw::space(0x12018000), aw::kSpaceFlash);
    EXPECT_EQ(aw::side(0x12018000), Side::Slave);
    EXPECT_EQ(aw::address(0x12018000), 0x018000u);
}

TEST_F(RegisterAccessTest, BlocksGoWhereTheAddressWordSays)
{
    uint8_t out[4] = {};
    ASSERT_EQ(access.readBlock(request(0x12000100, 4), out), 1);
    EXPECT_EQ(transport.requests.back()[1], 0x0A);
    EXPECT_EQ(le::u24(&transport.requests.back()[2]), 0x000100u)
        << "the Slave bit never reaches a flash command";
    EXPECT_EQ(out[3], 0x03);
    EXPECT_EQ(access.lastRegisterValue(), 0x03);

    ASSERT_EQ(access.readBlock(request(aw::make(aw::kSpaceFpga, 0x35, Side::Slave), 1), out), 1);
    EXPECT_EQ(transport.requests.back()[1], 0x18);
    ASSERT_EQ(access.readBlock(request(aw::make(aw::kSpaceSensor, 0x0A, Side::Master), 4), out), 1);
    EXPECT_EQ(transport.requests.back()[1], 0x08);
    EXPECT_EQ(transport.requests.back()[2], 0x0A);

    ASSERT_EQ(access.writeBlock(request(aw::make(aw::kSpaceSensor, 0x19, Side::Slave), 1, {0x3A})),
              1);
    EXPECT_EQ(transport.requests.back()[1], 0x1A);
    EXPECT_EQ(access.lastRegisterValue(), 0x3A);
    ASSERT_EQ(access.writeBlock(request(aw::make(aw::kSpaceFpga, 0x35), 1, {0x1F})), 1);
    EXPECT_EQ(transport.requests.back()[1], 0x04);
    ASSERT_EQ(access.erase(request(0x02011000, 2)), 1);
    EXPECT_EQ(transport.requests.back()[1], 0x0D);
    EXPECT_EQ(transport.requests.back()[5], 2);
}

TEST_F(RegisterAccessTest, BadRequestsAreRefusedWithoutTraffic)
{
    uint8_t out[1];
    EXPECT_EQ(access.readBlock(request(0x02000000, 0), out), 0);
    EXPECT_EQ(
        access.readBlock(request(0x02000000, RegisterAccess::kTransferBufferSize + 1), nullptr), 0);
    EXPECT_EQ(access.readBlock(request(aw::make(aw::kSpaceStream, 0x4000), 4), nullptr), 0);
    EXPECT_EQ(access.writeBlock(request(0x02000000, 8, {1, 2})), 0);
    EXPECT_EQ(access.erase(request(0x02011000, 0)), 0);
    EXPECT_EQ(access.sensorWrite(request(0x01000019, 1)), 0);
    EXPECT_TRUE(transport.requests.empty());
}

TEST_F(RegisterAccessTest, LostFrameClearsTheDeviceFlags)
{
    frame.statusOf[0x06] = 0xFF;
    uint8_t v = 0;
    EXPECT_EQ(access.singleRead(request(0x00000035, 1), v), 0);
    EXPECT_EQ(g_bDevExist, 1) << "a refusal keeps the frame";
    frame.failReads = true;
    EXPECT_EQ(access.singleRead(request(0x00000035, 1), v), 0);
    EXPECT_EQ(g_bDevExist, 0);
    EXPECT_EQ(g_isDeviceCommunicate, 0);
}

TEST_F(RegisterAccessTest, BurstReadCreatesAFileThenAppendsWhileTheNameStays)
{
    RegisterRequest r = request(0x02000000, 16);
    r.fileName = dir.file("dump.bin");
    ASSERT_EQ(access.BurstRead(r), 1);
    r.addressWord = 0x02000010;
    ASSERT_EQ(access.BurstRead(r), 1);
    const QByteArray bytes = dir.read("dump.bin");
    ASSERT_EQ(bytes.size(), 32);
    EXPECT_EQ(static_cast<uint8_t>(bytes[31]), 31);

    RegisterRequest other = request(0x02000000, 8);
    other.fileName = dir.file("other.bin");
    ASSERT_EQ(access.BurstRead(other), 1);
    ASSERT_EQ(access.BurstRead(r), 1); // back to the first name: made anew
    EXPECT_EQ(dir.read("dump.bin").size(), 16);
}

TEST_F(RegisterAccessTest, BurstLengthsBeyondTheBuffersAreRefused)
{
    RegisterRequest r = request(0x02000000, 641);
    r.fileName = dir.file("dump.bin");
    EXPECT_EQ(access.BurstRead(r), 0);
    EXPECT_TRUE(access.lastError().contains("640"));
    r.length = 640;
    EXPECT_EQ(access.BurstRead(r), 1);

    dir.write("image.bin", QByteArray(200, '\x5A'));
    RegisterRequest w = request(0x02001000, 133);
    w.fileName = dir.file("image.bin");
    const size_t before = transport.requests.size();
    EXPECT_EQ(access.BurstWrite(w), 0);
    EXPECT_TRUE(access.lastError().contains("132"));
    EXPECT_EQ(transport.requests.size(), before);
    w.length = 132;
    EXPECT_EQ(access.BurstWrite(w), 1);
    EXPECT_EQ(frame.flash[0x001000 + 131], 0x5A);
}

TEST_F(RegisterAccessTest, BurstWriteRefusesMissingAndShortFiles)
{
    RegisterRequest w = request(0x02001000, 100);
    w.fileName = dir.file("absent.bin");
    EXPECT_EQ(access.BurstWrite(w), 0);
    dir.write("short.bin", QByteArray(10, 1));
    w.fileName = dir.file("short.bin");
    EXPECT_EQ(access.BurstWrite(w), 0);
    EXPECT_TRUE(transport.requests.empty());
}

} // namespace
