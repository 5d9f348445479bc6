#include "device/DeviceLink.h"

#include "ScriptedTransport.h"
#include "device/Delay.h"

#include <gtest/gtest.h>

#include <numeric>
#include <thread>

namespace {

class DeviceLinkTest : public ::testing::Test {
protected:
    void SetUp() override { delay::setTimeScale(0.0); }
    void TearDown() override { delay::setTimeScale(1.0); }

    ScriptedTransport transport;
    DeviceLink link{transport};
};

TEST_F(DeviceLinkTest, RequestReportCarriesReportIdCommandAndPayload)
{
    transport.setResponder(answerAtOnce());
    const uint8_t payload[] = {0x11, 0x22, 0x33};
    ASSERT_EQ(link.Transact(0x0A, payload, 3, nullptr, 0), 1);
    ASSERT_EQ(transport.requests.size(), 1u);
    const auto& r = transport.requests[0];
    EXPECT_EQ(r[0], 0x05);
    EXPECT_EQ(r[1], 0x0A);
    EXPECT_EQ(r[2], 0x11);
    EXPECT_EQ(r[3], 0x22);
    EXPECT_EQ(r[4], 0x33);
    EXPECT_TRUE(std::all_of(r.begin() + 5, r.end(), [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(transport.badReportIds, 0);
    EXPECT_EQ(link.linkStatus, DeviceLink::kLinkOk);
}

TEST_F(DeviceLinkTest, CommandFFIsRefusedWithoutSending)
{
    transport.setResponder(answerAtOnce());
    uint8_t reply[4] = {1, 2, 3, 4};
    EXPECT_EQ(link.Transact(0xFF, nullptr, 0, reply, 4), 0);
    EXPECT_TRUE(transport.requests.empty());
    EXPECT_EQ(transport.reads, 0);
    EXPECT_EQ(reply[0], 0xFF);
    EXPECT_EQ(reply[3], 0xFF);
}

TEST_F(DeviceLinkTest, OversizedPayloadIsRefusedWithoutSending)
{
    transport.setResponder(answerAtOnce());
    uint8_t payload[63] = {};
    EXPECT_EQ(link.Transact(0x04, payload, 63, nullptr, 0), 0);
    EXPECT_TRUE(transport.requests.empty());
    EXPECT_EQ(link.Transact(0x04, payload, 62, nullptr, 0), 1);
}

TEST_F(DeviceLinkTest, SixtyOneBytesTakeOnePollAndSixtyTwoTakeTwo)
{
    transport.setResponder(answerAtOnce([](const auto&, int poll, uint8_t* data) {
        for (int i = 0; i < 61; ++i)
            data[i] = static_cast<uint8_t>(poll * 61 + i);
    }));
    uint8_t reply[200];
    ASSERT_EQ(link.Transact(0x0A, nullptr, 0, reply, 61), 1);
    EXPECT_EQ(transport.reads, 1);
    ASSERT_EQ(link.Transact(0x0A, nullptr, 0, reply, 62), 1);
    EXPECT_EQ(transport.reads, 3);
    EXPECT_EQ(reply[60], 60);
    EXPECT_EQ(reply[61], 61); // first byte of the second reply report
    ASSERT_EQ(link.Transact(0x80, nullptr, 0, reply, 183), 1);
    EXPECT_EQ(transport.reads, 6);
    std::vector<uint8_t> expected(183);
    std::iota(expected.begin(), expected.end(), 0);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), reply));
    EXPECT_EQ(transport.requests.size(), 3u) << "multi-report replies need no further request";
}

TEST_F(DeviceLinkTest, BusyRepliesAreSkippedUntilTheEchoMatches)
{
    transport.setResponder([](const auto& req, int poll, uint8_t* reply) {
        reply[1] = poll < 3 ? 0x3F : req[1] & 0x3F; // busy for three polls
        reply[2] = 0x22;
        reply[3] = 0x5A;
        return true;
    });
    uint8_t value = 0;
    ASSERT_EQ(link.Transact(0x06, nullptr, 0, &value, 1), 1);
    EXPECT_EQ(transport.reads, 4);
    EXPECT_EQ(value, 0x5A);
}

TEST_F(DeviceLinkTest, EchoComparesTheLowSixBitsOfFlaggedCommands)
{
    transport.setResponder(answerAtOnce());
    EXPECT_EQ(link.Transact(0xAE, nullptr, 0, nullptr, 0), 1); // stream B, first packet
    EXPECT_EQ(transport.requests[0][1], 0xAE);
}

TEST_F(DeviceLinkTest, OtherStatusWithMatchingEchoFailsAtOnceAndKeepsLinkStatus)
{
    link.linkStatus = DeviceLink::kLinkRefused;
    transport.setResponder([](const auto& req, int, uint8_t* reply) {
        reply[1] = req[1] & 0x3F;
        reply[2] = 0x05;
        return true;
    });
    uint8_t out[3] = {};
    EXPECT_EQ(link.Transact(0x08, nullptr, 0, out, 3), 0);
    EXPECT_EQ(transport.reads, 1);
    EXPECT_EQ(link.linkStatus, DeviceLink::kLinkRefused);
    EXPECT_EQ(out[0], 0xFF);
    EXPECT_EQ(out[2], 0xFF);
    EXPECT_EQ(link.replyTimedOut, 0);
}

TEST_F(DeviceLinkTest, StatusFFSetsLinkStatusOne)
{
    transport.setResponder([](const auto& req, int, uint8_t* reply) {
        reply[1] = req[1] & 0x3F;
        reply[2] = 0xFF;
        return true;
    });
    EXPECT_EQ(link.Transact(0x0E, nullptr, 0, nullptr, 0), 0);
    EXPECT_EQ(link.linkStatus, DeviceLink::kLinkRefused);
}

TEST_F(DeviceLinkTest, EachThreadKeepsTheCauseOfItsOwnLastCall)
{
    transport.setResponder([](const auto& req, int, uint8_t* reply) {
        reply[1] = req[1] & 0x3F;
        reply[2] = req[1] == 0x0E ? 0xFF : 0x22;
        return true;
    });
    EXPECT_EQ(link.transact(0x0E, nullptr, 0, nullptr, 0), LinkOutcome::Refused);
    // Another thread's command succeeds in between: the shared linkStatus follows it,
    // the cause of this thread's failure stays this thread's.
    std::thread other([&] {
        EXPECT_EQ(link.lastOutcome(), LinkOutcome::Done) << "no call of its own yet";
        EXPECT_EQ(link.transact(0x06, nullptr, 0, nullptr, 0), LinkOutcome::Done);
    });
    other.join();
    EXPECT_EQ(link.linkStatus, DeviceLink::kLinkOk);
    EXPECT_EQ(link.lastOutcome(), LinkOutcome::Refused);
    EXPECT_STREQ(failureText(link.lastOutcome()), "the frame refused the command");

    transport.failSends = 1;
    EXPECT_EQ(link.transact(0x06, nullptr, 0, nullptr, 0), LinkOutcome::TransportFailed);
    EXPECT_TRUE(link.lastCallLostTheFrame());
    EXPECT_EQ(link.transact(0xFF, nullptr, 0, nullptr, 0), LinkOutcome::NotSent);
}

TEST_F(DeviceLinkTest, NeverEchoingFrameFailsAfterOneHundredEvaluatedReplies)
{
    transport.setResponder([](const auto&, int, uint8_t* reply) {
        reply[1] = 0x3F;
        return true;
    });
    uint8_t out[2] = {};
    EXPECT_EQ(link.Transact(0x11, nullptr, 0, out, 2), 0);
    EXPECT_EQ(transport.reads, 101); // the 101st read is made but not looked at
    EXPECT_EQ(link.replyTimedOut, 1);
    EXPECT_EQ(link.linkStatus, DeviceLink::kLinkOk);
    EXPECT_EQ(link.lastOutcome(), LinkOutcome::NoAnswer);
    EXPECT_EQ(out[0], 0xFF);

    transport.setResponder(answerAtOnce());
    EXPECT_EQ(link.Transact(0x11, nullptr, 0, out, 2), 1);
    EXPECT_EQ(link.replyTimedOut, 0) << "each poll loop starts by clearing the time-out";
}

TEST_F(DeviceLinkTest, AnAnswerOnTheHundredthReadIsTakenButNotOnTheHundredAndFirst)
{
    for (int answerAt : {99, 100}) {
        transport.setResponder([answerAt](const auto& req, int poll, uint8_t* reply) {
            reply[1] = poll == answerAt ? req[1] & 0x3F : 0x3F;
            reply[2] = 0x22;
            return true;
        });
        EXPECT_EQ(link.Transact(0x05, nullptr, 0, nullptr, 0), answerAt == 99 ? 1 : 0) << answerAt;
    }
}

TEST_F(DeviceLinkTest, FailedReadSetsLinkStatusTwo)
{
    transport.setResponder([](const auto&, int, uint8_t*) { return false; });
    uint8_t out[10];
    EXPECT_EQ(link.Transact(0x0A, nullptr, 0, out, 10), 0);
    EXPECT_EQ(link.linkStatus, DeviceLink::kLinkHidFailed);
    EXPECT_EQ(out[9], 0xFF);
}

TEST_F(DeviceLinkTest, FailedSendFailsTheCommandInsteadOfReadingAStaleReply)
{
    // The frame still shows the previous answer of the same command.
    transport.setResponder(answerAtOnce([](const auto&, int, uint8_t* data) { data[0] = 0x77; }));
    uint8_t value = 0;
    ASSERT_EQ(link.Transact(0x06, nullptr, 0, &value, 1), 1);
    const int readsBefore = transport.reads;
    transport.failSends = 1;
    value = 0;
    EXPECT_EQ(link.Transact(0x06, nullptr, 0, &value, 1), 0);
    EXPECT_EQ(value, 0xFF);
    EXPECT_EQ(link.linkStatus, DeviceLink::kLinkHidFailed);
    EXPECT_EQ(transport.reads, readsBefore) << "no poll after a lost request";
}

TEST_F(DeviceLinkTest, FailureInALaterReplyReportFillsTheWholeBuffer)
{
    transport.setResponder([](const auto& req, int poll, uint8_t* reply) {
        reply[1] = req[1] & 0x3F;
        reply[2] = poll == 0 ? 0x22 : 0xFF;
        reply[3] = 1;
        return true;
    });
    uint8_t out[100];
    EXPECT_EQ(link.Transact(0x0A, nullptr, 0, out, 100), 0);
    EXPECT_TRUE(std::all_of(out, out + 100, [](uint8_t b) { return b == 0xFF; }));
    EXPECT_EQ(transport.reads, 2) << "the first failing poll ends the command";
}

} // namespace
