#pragma once

#include "device/Delay.h"
#include "device/Device.h"
#include "device/DeviceState.h"
#include "sim/SimTransport.h"
#include "sim/VirtualFrame.h"
#include "tests/support/DeviceStateTest.h"
#include "tests/support/FrameHarness.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace simtest {

using Report = sim::VirtualFrame::Report;

// Protocol waits off and the device flags fresh for every test.
class SimTest : public DeviceStateTest {};

// The tool's device stack on a virtual frame, opened by the test itself.
struct HostOnFrame : FrameHarness {
    explicit HostOnFrame(
        std::shared_ptr<sim::VirtualFrame> f = std::make_shared<sim::VirtualFrame>())
        : FrameHarness(std::move(f), Options{.timeScale = 0.0, .open = false})
    {
    }
    bool open() { return reopen(); }
};

// Single reports straight to a frame's vendor collection, without any host logic.
class RawLink {
public:
    explicit RawLink(sim::VirtualFrame& frame) : frame_(frame)
    {
        EXPECT_TRUE(frame.openCollection(sim::VirtualFrame::kVendorCollection, connection_));
    }

    bool send(uint8_t command, const std::vector<uint8_t>& payload = {})
    {
        Report request{};
        request[0] = sim::VirtualFrame::kRequestReportId;
        request[1] = command;
        for (size_t i = 0; i < payload.size() && i + 2 < request.size(); ++i)
            request[i + 2] = payload[i];
        return frame_.setFeature(sim::VirtualFrame::kVendorCollection, connection_, request.data(),
                                 request.size());
    }

    Report poll()
    {
        Report report{};
        report[0] = sim::VirtualFrame::kReplyReportId;
        EXPECT_TRUE(frame_.getFeature(sim::VirtualFrame::kVendorCollection, connection_,
                                      report.data(), report.size()));
        return report;
    }

    // Sends one request and reads the first report of its answer (no busy polls set).
    Report command(uint8_t command, const std::vector<uint8_t>& payload = {})
    {
        EXPECT_TRUE(send(command, payload));
        return poll();
    }

    // The answer's data: `reports` reports of 61 data bytes each.
    std::vector<uint8_t> data(uint8_t command, const std::vector<uint8_t>& payload,
                              size_t reports = 1)
    {
        EXPECT_TRUE(send(command, payload));
        std::vector<uint8_t> bytes;
        for (size_t k = 0; k < reports; ++k) {
            const Report r = poll();
            EXPECT_EQ(r[1], command & 0x3F);
            EXPECT_EQ(r[2], 0x22);
            bytes.insert(bytes.end(), r.begin() + 3, r.end());
        }
        return bytes;
    }

    uint64_t connection() const { return connection_; }

private:
    sim::VirtualFrame& frame_;
    uint64_t connection_ = 0;
};

inline std::vector<uint8_t> flashPayload(uint32_t address, uint8_t length,
                                         const std::vector<uint8_t>& data = {})
{
    std::vector<uint8_t> p = {static_cast<uint8_t>(address), static_cast<uint8_t>(address >> 8),
                              static_cast<uint8_t>(address >> 16), length};
    p.insert(p.end(), data.begin(), data.end());
    return p;
}

constexpr uint8_t kDone = 0x22;
constexpr uint8_t kRefused = 0xFF;

} // namespace simtest
