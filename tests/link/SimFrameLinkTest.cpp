#include "device/Device.h"
#include "device/RegisterAccess.h"
#include "device/SocketBus.h"
#include "sim/FrameServer.h"
#include "sim/SimBus.h"
#include "sim/VirtualFrame.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <numeric>

namespace {

// The virtual frame served on sockets and driven through the whole command stack, as
// the tool does with --device=unix:DIR.
class SimFrameLinkTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server.start()); }

    int readFlash(uint32_t address, std::vector<uint8_t>& out)
    {
        RegisterRequest request;
        request.addressWord = address_word::make(address_word::kSpaceFlash, address);
        request.length = static_cast<uint32_t>(out.size());
        return device.access.readBlock(request, out.data());
    }

    ScratchDir dir;
    std::shared_ptr<sim::VirtualFrame> frame = std::make_shared<sim::VirtualFrame>();
    sim::SimBus bus{{frame}};
    sim::FrameServer server{bus, dir.path().toStdString()};
    Device device{std::make_unique<SocketTransport>(dir.path().toStdString(), 500)};
};

TEST_F(SimFrameLinkTest, FlashReadThroughTheSocketsIsTheFramesFlash)
{
    uint16_t product = 0;
    ASSERT_EQ(device.transport().open(product), 1);
    EXPECT_EQ(product, 0xCB12);

    std::vector<uint8_t> pattern(300);
    std::iota(pattern.begin(), pattern.end(), uint8_t{7});
    ASSERT_TRUE(frame->writeFlash(0x011000, pattern));

    std::vector<uint8_t> read(pattern.size());
    ASSERT_EQ(readFlash(0x011000, read), 1);
    EXPECT_EQ(read, pattern);
    EXPECT_EQ(device.link.linkStatus, DeviceLink::kLinkOk);
}

TEST_F(SimFrameLinkTest, UnpluggedFrameFailsTheCommandAsAHidFailure)
{
    uint16_t product = 0;
    ASSERT_EQ(device.transport().open(product), 1);
    frame->unplug();
    server.rescan();

    EXPECT_EQ(device.transport().probe(product), HidTransport::kProbeNotAFrame);
    std::vector<uint8_t> read(16);
    EXPECT_EQ(readFlash(0, read), 0);
    EXPECT_EQ(device.link.linkStatus, DeviceLink::kLinkHidFailed);

    frame->plug();
    server.rescan();
    ASSERT_EQ(device.transport().open(product), 1);
    EXPECT_EQ(readFlash(0, read), 1);
    EXPECT_EQ(read, frame->readFlash(0, read.size()));
}

} // namespace
