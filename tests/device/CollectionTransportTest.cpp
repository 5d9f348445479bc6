#include "device/CollectionTransport.h"
#include "device/FrameIdentity.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <thread>

namespace {

// A bus of hand-made collections: identity per path, and a count of open handles.
struct FakeCollectionInfo {
    uint16_t vendor = 0x0AC8;
    uint16_t product = 0xCB12;
    uint16_t page = 0xFF00;
    uint16_t usage = 1;
    bool openFails = false;
    bool present = true;
    bool usageReadable = true;
};

class FakeBus : public HidBus {
public:
    std::vector<std::string> order;
    std::map<std::string, FakeCollectionInfo> info;
    std::atomic<int> openHandles{0};
    std::atomic<int> transfers{0};

    void add(const std::string& path, FakeCollectionInfo i)
    {
        order.push_back(path);
        info[path] = i;
    }

    std::vector<std::string> enumerate() override
    {
        std::vector<std::string> present;
        for (const auto& p : order)
            if (info[p].present)
                present.push_back(p);
        return present;
    }

    std::unique_ptr<HidCollection> openCollection(const std::string& path) override;
};

class FakeCollection : public HidCollection {
public:
    FakeCollection(FakeBus& bus, std::string path) : bus_(bus), path_(std::move(path))
    {
        ++bus_.openHandles;
    }
    ~FakeCollection() override { --bus_.openHandles; }
    bool attributes(uint16_t& v, uint16_t& p) override
    {
        const auto& i = bus_.info[path_];
        v = i.vendor;
        p = i.product;
        return i.present;
    }
    bool usage(uint16_t& page, uint16_t& use) override
    {
        const auto& i = bus_.info[path_];
        page = i.page;
        use = i.usage;
        return i.present && i.usageReadable;
    }
    bool getFeature(uint8_t* report, size_t) override
    {
        ++bus_.transfers;
        report[1] = static_cast<uint8_t>(path_.back());
        return bus_.info[path_].present;
    }
    bool setFeature(const uint8_t*, size_t) override
    {
        ++bus_.transfers;
        return bus_.info[path_].present;
    }

private:
    FakeBus& bus_;
    std::string path_;
};

std::unique_ptr<HidCollection> FakeBus::openCollection(const std::string& path)
{
    if (info[path].openFails)
        return nullptr;
    return std::make_unique<FakeCollection>(*this, path);
}

struct Fixture : ::testing::Test {
    Fixture()
    {
        auto b = std::make_unique<FakeBus>();
        bus = b.get();
        transport = std::make_unique<CollectionTransport>(std::move(b));
    }
    FakeBus* bus;
    std::unique_ptr<CollectionTransport> transport;
};

using CollectionTransportTest = Fixture;

TEST_F(CollectionTransportTest, FindsTheVendorCollectionBehindMouseAndDigitizer)
{
    bus->add("a-mouse", {.page = 0x0001, .usage = 0x0002});
    bus->add("b-digitizer", {.page = 0x000D, .usage = 0x0004});
    bus->add("c-vendor", {});
    uint16_t pid = 0;
    ASSERT_EQ(transport->open(pid), 1);
    EXPECT_EQ(pid, 0xCB12);
    uint8_t report[64] = {6};
    ASSERT_EQ(transport->getFeature64(report), 1);
    EXPECT_EQ(report[1], 'r') << "transfers go to the vendor collection";
    EXPECT_EQ(bus->openHandles, 1) << "rejected collections are closed";
}

TEST_F(CollectionTransportTest, FirstFrameInEnumerationOrderWins)
{
    bus->add("frame1", {.product = 0xCB13});
    bus->add("frame2", {.product = 0xCB14});
    uint16_t pid = 0;
    ASSERT_EQ(transport->open(pid), 1);
    EXPECT_EQ(pid, 0xCB13);
}

TEST_F(CollectionTransportTest, IdentityRulesRejectOtherDevices)
{
    bus->add("other-vendor", {.vendor = 0x1234});
    bus->add("other-product", {.product = 0xCB16});
    bus->add("below-range", {.product = 0xCB10});
    bus->add("unopenable", {.openFails = true});
    uint16_t pid = 0x1111;
    EXPECT_EQ(transport->open(pid), 0);
    EXPECT_EQ(pid, 0x00FF);
    EXPECT_FALSE(transport->isOpen());
    EXPECT_EQ(bus->openHandles, 0);
}

// The virtual frame takes its product IDs from the same rules, so only numbers catch
// a shifted range: 0xCB11 is the boot loader, 0xCB12..0xCB15 the application.
TEST(FrameIdentity, TheFiveProductIdsSplitIntoBootLoaderAndApplication)
{
    for (uint16_t pid = 0xCB10; pid <= 0xCB16; ++pid) {
        EXPECT_EQ(frame_identity::isAcceptedProduct(pid), pid >= 0xCB11 && pid <= 0xCB15) << pid;
        EXPECT_EQ(frame_identity::isApplicationProduct(pid), pid >= 0xCB12 && pid <= 0xCB15) << pid;
    }
}

TEST_F(CollectionTransportTest, ProductIdIsReportedEvenWhenOnlyTheWrongCollectionsExist)
{
    bus->add("boot-mouse", {.product = 0xCB11, .page = 0x0001, .usage = 2});
    uint16_t pid = 0;
    EXPECT_EQ(transport->open(pid), 0);
    EXPECT_EQ(pid, 0xCB11);
}

TEST_F(CollectionTransportTest, ProbeTellsFrameWrongCollectionAndGone)
{
    bus->add("vendor", {});
    uint16_t pid = 0;
    ASSERT_EQ(transport->open(pid), 1);
    pid = 0;
    EXPECT_EQ(transport->probe(pid), HidTransport::kProbeFrame);
    EXPECT_EQ(pid, 0xCB12);
    EXPECT_EQ(bus->transfers, 0) << "probing sends no reports";

    bus->info["vendor"].page = 0x0001;
    EXPECT_EQ(transport->probe(pid), HidTransport::kProbeWrongCollection);

    bus->info["vendor"].page = 0xFF00;
    bus->info["vendor"].usageReadable = false;
    EXPECT_EQ(transport->probe(pid), HidTransport::kProbeNotAFrame);

    bus->info["vendor"].usageReadable = true;
    bus->info["vendor"].product = 0xCB20;
    EXPECT_EQ(transport->probe(pid), HidTransport::kProbeNotAFrame);

    bus->info["vendor"].product = 0xCB12;
    bus->info["vendor"].present = false;
    EXPECT_EQ(transport->probe(pid), HidTransport::kProbeNotAFrame);
    uint8_t report[64] = {6};
    EXPECT_EQ(transport->getFeature64(report), 0);
    EXPECT_EQ(transport->setFeature64(report), 0);
}

TEST_F(CollectionTransportTest, ProbeWithoutAHandleIsNotAFrame)
{
    uint16_t pid = 0;
    EXPECT_EQ(transport->probe(pid), HidTransport::kProbeNotAFrame);
    uint8_t report[64] = {6};
    EXPECT_EQ(transport->getFeature64(report), 0);
    uint8_t key[3];
    EXPECT_EQ(transport->getFeature3(7, key), 0);
    EXPECT_EQ(key[0], 7);
}

TEST_F(CollectionTransportTest, ReopeningReleasesTheOldHandleAndCloseIsAlwaysOne)
{
    bus->add("vendor", {});
    uint16_t pid = 0;
    for (int i = 0; i < 50; ++i)
        ASSERT_EQ(transport->open(pid), 1);
    EXPECT_EQ(bus->openHandles, 1);
    bus->info["vendor"].present = false;
    EXPECT_EQ(transport->open(pid), 0);
    EXPECT_EQ(bus->openHandles, 0);
    EXPECT_EQ(transport->close(), 1);
    EXPECT_EQ(transport->close(), 1);
}

TEST_F(CollectionTransportTest, TransfersAndReopeningFromSeveralThreadsStaySafe)
{
    bus->add("vendor", {});
    uint16_t pid = 0;
    ASSERT_EQ(transport->open(pid), 1);
    std::atomic<bool> stop{false};
    std::thread reopen([&] {
        uint16_t p = 0;
        while (!stop)
            transport->open(p);
    });
    std::vector<std::thread> workers;
    std::atomic<int> ok{0};
    for (int t = 0; t < 3; ++t)
        workers.emplace_back([&] {
            for (int i = 0; i < 2000; ++i) {
                uint8_t r[64] = {6};
                ok += transport->getFeature64(r);
            }
        });
    for (auto& w : workers)
        w.join();
    stop = true;
    reopen.join();
    EXPECT_EQ(ok, 6000) << "a re-open never leaves a transfer without a handle";
    EXPECT_EQ(bus->openHandles, 1);
}

} // namespace
