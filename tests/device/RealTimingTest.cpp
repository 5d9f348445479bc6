// Runs the protocol with its real waits (no time scaling): the waits between a
// request and its polls, and between busy polls, are part of what the frame expects.
//
// Each wait is measured on its own, as the gap between two transfers, so a dropped
// 2 ms wait shows as a gap near zero however loaded the machine is (a wait may run
// long under load, never short). Upper limits compare the smallest of several gaps
// with the next larger wait, so one late wake-up cannot fail the test.
#include "device/DeviceLink.h"

#include "ScriptedTransport.h"
#include "device/Delay.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

// A frame that stays busy for `busyPolls` polls of every command.
ScriptedTransport::Responder busyFor(int busyPolls)
{
    return [busyPolls](const auto& req, int poll, uint8_t* reply) {
        reply[1] = poll < busyPolls ? 0x3F : req[1] & 0x3F;
        reply[2] = 0x22;
        return true;
    };
}

// Stamps the moment of every transfer.
class StampingTransport : public ScriptedTransport {
public:
    using ScriptedTransport::ScriptedTransport;

    int setFeature64(const uint8_t* report) override
    {
        stamps.push_back(delay::nowMs());
        return ScriptedTransport::setFeature64(report);
    }
    int getFeature64(uint8_t* report) override
    {
        stamps.push_back(delay::nowMs());
        return ScriptedTransport::getFeature64(report);
    }

    std::vector<double> stamps;
};

// The gaps of one command: from its start to the request, from the request to the
// first poll, then between polls.
std::vector<double> gapsOf(StampingTransport& transport, DeviceLink& link, uint8_t command)
{
    transport.stamps.clear();
    const double start = delay::nowMs();
    EXPECT_EQ(link.Transact(command, nullptr, 0, nullptr, 0), 1);
    std::vector<double> gaps;
    double previous = start;
    for (double t : transport.stamps) {
        gaps.push_back(t - previous);
        previous = t;
    }
    return gaps;
}

// Waits never end early; the small allowance is for the clock reads around them.
constexpr double kEarly = 0.05;

TEST(RealTiming, WaitsFollowTheCommandKind)
{
    ASSERT_EQ(delay::timeScale(), 1.0) << "this suite must run with the real timings";
    StampingTransport transport(busyFor(3));
    DeviceLink link(transport);

    // 2 ms before the request, 2 ms before every poll, and 40 ms more after each busy
    // reply: request, then four polls.
    const std::vector<double> ordinary = gapsOf(transport, link, 0x06);
    ASSERT_EQ(ordinary.size(), 5u);
    EXPECT_GE(ordinary[0], 2 - kEarly) << "the wait before the request";
    EXPECT_GE(ordinary[1], 2 - kEarly) << "the wait before the first poll";
    for (size_t i = 2; i < ordinary.size(); ++i)
        EXPECT_GE(ordinary[i], 40 + 2 - kEarly) << "the wait after busy reply " << i - 2;

    // Image reads (codes 0 and 1) wait 5 ms after a busy reply instead of 40.
    const std::vector<double> image = gapsOf(transport, link, 0x81);
    ASSERT_EQ(image.size(), 5u);
    EXPECT_GE(image[0], 2 - kEarly);
    EXPECT_GE(image[1], 2 - kEarly);
    for (size_t i = 2; i < image.size(); ++i)
        EXPECT_GE(image[i], 5 + 2 - kEarly);
    EXPECT_LT(*std::min_element(image.begin() + 2, image.end()), 40)
        << "image reads must not wait like ordinary commands";

    // Download stream B of the Master waits 50 ms more before every poll; the same
    // stream of the Slave (0xB4) does not.
    const std::vector<double> streamB = gapsOf(transport, link, 0xAE);
    ASSERT_EQ(streamB.size(), 5u);
    EXPECT_GE(streamB[1], 50 + 2 - kEarly);
    for (size_t i = 2; i < streamB.size(); ++i)
        EXPECT_GE(streamB[i], 50 + 40 + 2 - kEarly);
    const std::vector<double> streamBSlave = gapsOf(transport, link, 0xB4);
    ASSERT_EQ(streamBSlave.size(), 5u);
    EXPECT_GE(streamBSlave[1], 2 - kEarly);
    EXPECT_LT(*std::min_element(streamBSlave.begin() + 2, streamBSlave.end()), 50 + 40)
        << "only code 0x2E carries the extra wait";
}

} // namespace
