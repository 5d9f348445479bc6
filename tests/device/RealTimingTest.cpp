// Runs the protocol with its real waits (no time scaling): the waits between a
// request and its polls, and between busy polls, are part of what the frame expects.
#include "DeviceLink.h"

#include "Delay.h"
#include "ScriptedTransport.h"

#include <gtest/gtest.h>

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

double timeCommand(DeviceLink& link, uint8_t command)
{
    const double start = delay::nowMs();
    EXPECT_EQ(link.Transact(command, nullptr, 0, nullptr, 0), 1);
    return delay::nowMs() - start;
}

TEST(RealTiming, WaitsFollowTheCommandKind)
{
    ASSERT_EQ(delay::timeScale(), 1.0) << "this suite must run with the real timings";
    ScriptedTransport transport(busyFor(3));
    DeviceLink link(transport);

    // 2 ms before the request, then per poll 2 ms, and 40 ms after each busy reply.
    const double ordinary = timeCommand(link, 0x06);
    EXPECT_GE(ordinary, 2 + 4 * 2 + 3 * 40);
    EXPECT_LT(ordinary, 3 * (2 + 4 * 2 + 3 * 40));

    // Image reads (codes 0 and 1) poll every 5 ms.
    const double image = timeCommand(link, 0x81);
    EXPECT_GE(image, 2 + 4 * 2 + 3 * 5);
    EXPECT_LT(image, 2 + 4 * 2 + 3 * 40) << "image reads must not wait like ordinary commands";

    // Download stream B of the Master waits 50 ms more before every poll.
    transport.setResponder(busyFor(0));
    const double streamB = timeCommand(link, 0xAE);
    EXPECT_GE(streamB, 2 + 50 + 2);
    const double streamBSlave = timeCommand(link, 0xB4);
    EXPECT_LT(streamBSlave, 50) << "only code 0x2E carries the extra wait";
}

} // namespace
