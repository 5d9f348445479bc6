#include "SimTestSupport.h"
#include "device/FrameIdentity.h"

namespace {

using sim::SimBus;
using sim::VirtualFrame;

std::shared_ptr<VirtualFrame> newFrame()
{
    return std::make_shared<VirtualFrame>();
}

TEST(SimBusTest, MouseAndDigitizerEnumerateBeforeTheVendorCollection)
{
    SimBus bus({newFrame()});
    const std::vector<std::string> paths = bus.enumerate();
    ASSERT_EQ(paths, (std::vector<std::string>{"sim:0:0", "sim:0:1", "sim:0:2"}));
    const std::pair<uint16_t, uint16_t> usages[] = {
        {0x0001, 0x0002}, {0x000D, 0x0004}, {0xFF00, 0x0001}};
    for (size_t i = 0; i < paths.size(); ++i) {
        auto c = bus.openCollection(paths[i]);
        ASSERT_TRUE(c);
        uint16_t vendor = 0;
        uint16_t product = 0;
        uint16_t page = 0;
        uint16_t use = 0;
        ASSERT_TRUE(c->attributes(vendor, product));
        EXPECT_EQ(vendor, 0x0AC8);
        EXPECT_EQ(product, 0xCB12);
        ASSERT_TRUE(c->usage(page, use));
        EXPECT_EQ(page, usages[i].first);
        EXPECT_EQ(use, usages[i].second);
    }
}

TEST(SimBusTest, OnlyTheVendorCollectionCarriesReports)
{
    SimBus bus({newFrame()});
    uint8_t report[64] = {0x05, 0x0B};
    EXPECT_FALSE(bus.openCollection("sim:0:0")->setFeature(report, 64));
    EXPECT_FALSE(bus.openCollection("sim:0:1")->setFeature(report, 64));
    report[0] = 0x06;
    EXPECT_FALSE(bus.openCollection("sim:0:1")->getFeature(report, 64));
    auto vendor = bus.openCollection("sim:0:2");
    report[0] = 0x05;
    EXPECT_TRUE(vendor->setFeature(report, 64));
    report[0] = 0x06;
    EXPECT_TRUE(vendor->getFeature(report, 64));
    EXPECT_EQ(report[1], 0x0B);
}

TEST(SimBusTest, MalformedOrUnknownPathsDoNotOpen)
{
    SimBus bus({newFrame()});
    for (const char* path : {"sim:1:2", "sim:0:3", "sim:0:-1", "sim:0", "sim:0:2:", "sim:0:2x",
                             "sim::2", "hid:0:2", "", "sim:99999999999999999999:0"})
        EXPECT_FALSE(bus.openCollection(path)) << path;
}

TEST(SimBusTest, FramesEnumerateInTheOrderGiven)
{
    auto first = newFrame();
    auto second = newFrame();
    second->setProductId(0xCB14);
    SimBus bus({first, nullptr, second});
    EXPECT_EQ(bus.enumerate().size(), 6u);
    EXPECT_EQ(bus.enumerate()[3], "sim:2:0");
    sim::SimTransport transport({first, second});
    uint16_t product = 0;
    ASSERT_EQ(transport.open(product), 1);
    EXPECT_EQ(product, 0xCB12); // the first frame's vendor collection wins
    first->unplug();
    ASSERT_EQ(transport.open(product), 1);
    EXPECT_EQ(product, 0xCB14);
}

TEST(SimBusTest, UnpluggedFrameLeavesTheBusAndItsHandlesDie)
{
    auto frame = newFrame();
    SimBus bus({frame});
    auto vendor = bus.openCollection("sim:0:2");
    ASSERT_TRUE(vendor);
    frame->unplug();
    EXPECT_TRUE(bus.enumerate().empty());
    EXPECT_FALSE(bus.openCollection("sim:0:2"));
    uint16_t a = 0;
    uint16_t b = 0;
    uint8_t report[64] = {0x06};
    EXPECT_FALSE(vendor->attributes(a, b));
    EXPECT_FALSE(vendor->usage(a, b));
    EXPECT_FALSE(vendor->getFeature(report, 64));
    report[0] = 0x05;
    EXPECT_FALSE(vendor->setFeature(report, 64));

    // Plugged in again the frame is a new device: the old handle stays dead.
    frame->plug();
    EXPECT_EQ(bus.enumerate().size(), 3u);
    EXPECT_FALSE(vendor->attributes(a, b));
    auto reopened = bus.openCollection("sim:0:2");
    ASSERT_TRUE(reopened);
    EXPECT_TRUE(reopened->attributes(a, b));
}

TEST(SimBusTest, WithoutItsVendorCollectionTheFrameCannotBeOpened)
{
    auto frame = newFrame();
    frame->setVendorCollectionPresent(false);
    sim::SimTransport transport(frame);
    EXPECT_EQ(transport.simBus().enumerate().size(), 2u);
    uint16_t product = 0;
    EXPECT_EQ(transport.open(product), 0);
    EXPECT_EQ(product, 0xCB12); // the other collections passed the identity check
    frame->setVendorCollectionPresent(true);
    EXPECT_EQ(transport.open(product), 1);
}

TEST(SimBusTest, OtherVendorOrProductIsNotAFrame)
{
    auto frame = newFrame();
    frame->setVendorId(0x1234);
    sim::SimTransport transport(frame);
    uint16_t product = 0;
    EXPECT_EQ(transport.open(product), 0);
    EXPECT_EQ(product, frame_identity::kNoProductId);
    frame->setVendorId(0x0AC8);
    frame->setProductId(0xCB16);
    EXPECT_EQ(transport.open(product), 0);
    frame->setProductId(0xCB11);
    EXPECT_EQ(transport.open(product), 1);
    EXPECT_EQ(product, 0xCB11);
}

TEST(SimBusTest, ProbeFollowsTheFrame)
{
    auto frame = newFrame();
    sim::SimTransport transport(frame);
    uint16_t product = 0;
    ASSERT_EQ(transport.open(product), 1);
    EXPECT_EQ(transport.probe(product), HidTransport::kProbeFrame);
    frame->setCollectionUsage(VirtualFrame::kVendorCollection, 0x000D, 0x0004);
    EXPECT_EQ(transport.probe(product), HidTransport::kProbeWrongCollection);
    frame->setCollectionUsage(VirtualFrame::kVendorCollection, 0xFF00, 0x0001);
    EXPECT_EQ(transport.probe(product), HidTransport::kProbeFrame);
    frame->setProductId(0xCB13);
    EXPECT_EQ(transport.probe(product), HidTransport::kProbeFrame);
    EXPECT_EQ(product, 0xCB13);
    frame->unplug();
    EXPECT_EQ(transport.probe(product), HidTransport::kProbeNotAFrame);
    frame->plug();
    EXPECT_EQ(transport.probe(product), HidTransport::kProbeNotAFrame);
    ASSERT_EQ(transport.open(product), 1);
    EXPECT_EQ(transport.probe(product), HidTransport::kProbeFrame);
}

} // namespace
