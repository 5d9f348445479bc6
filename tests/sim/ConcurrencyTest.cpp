#include "SimTestSupport.h"
#include "tests/support/BoundedWait.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using sim::VirtualFrame;

class ConcurrencyTest : public simtest::SimTest {};

// Writes a pattern, reads it back; what came back must be what was written.
bool flashRoundTrip(Device& device, uint32_t address, uint8_t seed)
{
    std::vector<uint8_t> data(90);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(seed + i);
    std::vector<uint8_t> back(data.size());
    return device.commands.flashErase(address, 1) &&
           device.commands.flashWrite(address, data.data(), data.size()) &&
           device.commands.flashRead(address, back.data(), back.size()) && back == data;
}

// A worker, the presence monitor and the test itself use the frame at the same time.
TEST_F(ConcurrencyTest, WorkerMonitorAndInspectionRunTogether)
{
    simtest::HostOnFrame host;
    ASSERT_TRUE(host.open());
    VirtualFrame& frame = *host.frame;
    std::atomic<bool> done{false};
    std::atomic<int> badProbes{0};
    std::atomic<int> probes{0};
    std::atomic<int> inspections{0};

    std::thread monitor([&] {
        while (!done) {
            uint16_t product = 0;
            if (host.device.transport().probe(product) != HidTransport::kProbeFrame)
                ++badProbes;
            ++probes;
        }
    });
    std::thread inspector([&] {
        sim::SimBus bus({host.frame});
        while (!done) {
            frame.setErrorCode(frame.errorCode() + 1);
            frame.setFpgaRegister(Side::Slave, 0x99, static_cast<uint8_t>(frame.triggerCount()));
            (void)frame.readFlash(0x010000, 60);
            (void)frame.requestLog().size();
            if (bus.enumerate().size() != 3)
                ++badProbes;
            ++inspections;
        }
    });

    // Enough round trips that the other two threads surely overlap with them.
    int failures = 0;
    const auto giveUp = std::chrono::steady_clock::now() + bounded::kGiveUp;
    for (int i = 0; i < 150 || probes < 100 || inspections < 100; ++i) {
        if (std::chrono::steady_clock::now() > giveUp) {
            ADD_FAILURE() << "the other threads stalled: " << probes << " probes, " << inspections
                          << " inspections";
            break;
        }
        if (!flashRoundTrip(host.device, 0x01E000 + 0x1000 * (i % 2), static_cast<uint8_t>(i)))
            ++failures;
    }
    done = true;
    monitor.join();
    inspector.join();
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(badProbes, 0);
}

// Unplugging in the middle of commands makes them fail, never return wrong data, and a
// re-opened frame works again.
TEST_F(ConcurrencyTest, UnplugDuringCommandsFailsCleanly)
{
    simtest::HostOnFrame host;
    ASSERT_TRUE(host.open());
    VirtualFrame& frame = *host.frame;
    std::atomic<bool> done{false};
    std::thread plugger([&] {
        while (!done) {
            frame.unplug();
            std::this_thread::yield();
            frame.plug();
            std::this_thread::yield();
        }
    });

    // Go on until both outcomes have been seen often enough (on a loaded machine the
    // plugging thread may get little time, so the bound is one of time, not of rounds).
    int wrongData = 0;
    int succeeded = 0;
    int failed = 0;
    const auto giveUp = std::chrono::steady_clock::now() + bounded::kGiveUp;
    while ((succeeded < 50 || failed < 20) && std::chrono::steady_clock::now() < giveUp) {
        uint8_t magic[4] = {};
        if (host.device.commands.flashRead(0x010000, magic, 4)) {
            ++succeeded;
            if (std::string(magic, magic + 4) != "AGPF")
                ++wrongData;
        } else {
            ++failed;
            uint16_t product = 0;
            host.device.transport().open(product);
        }
    }
    done = true;
    plugger.join();
    EXPECT_EQ(wrongData, 0);
    EXPECT_GE(succeeded, 50);
    EXPECT_GE(failed, 20);
    ASSERT_TRUE(host.open());
    uint8_t magic[4] = {};
    EXPECT_EQ(host.device.commands.flashRead(0x010000, magic, 4), 1);
}

// Two frames on one bus, each driven by its own worker.
TEST_F(ConcurrencyTest, TwoFramesServeTwoWorkers)
{
    auto left = std::make_shared<VirtualFrame>();
    auto right = std::make_shared<VirtualFrame>();
    Device a(std::make_unique<sim::SimTransport>(left));
    Device b(std::make_unique<sim::SimTransport>(std::vector{left, right}));
    uint16_t product = 0;
    ASSERT_EQ(a.transport().open(product), 1);
    // b's bus holds both frames; hide the first while b opens so it takes the second.
    left->setVendorCollectionPresent(false);
    ASSERT_EQ(b.transport().open(product), 1);
    left->setVendorCollectionPresent(true);
    ASSERT_EQ(a.transport().open(product), 1);

    std::atomic<int> failures{0};
    auto work = [&failures](Device& device, uint8_t seed) {
        for (int i = 0; i < 100; ++i) {
            if (!flashRoundTrip(device, 0x01D000, static_cast<uint8_t>(seed + i)))
                ++failures;
        }
    };
    std::thread ta(work, std::ref(a), uint8_t{0});
    std::thread tb(work, std::ref(b), uint8_t{100});
    ta.join();
    tb.join();
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(left->readFlash(0x01D000, 1)[0], 99);
    EXPECT_EQ(right->readFlash(0x01D000, 1)[0], 199);
}

} // namespace
