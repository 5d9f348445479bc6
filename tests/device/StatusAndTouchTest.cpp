#include "device/StatusCheck.h"
#include "device/TouchPoints.h"

#include "FakeFlashFrame.h"
#include "tests/support/DeviceStateTest.h"
#include "tests/support/LogCapture.h"
#include "device/Delay.h"
#include "device/DeviceState.h"

#include <gtest/gtest.h>

namespace {

class DeviceFixture : public DeviceStateTest {
protected:
    void SetUp() override
    {
        DeviceStateTest::SetUp();
        auto t = std::make_unique<ScriptedTransport>(frame.responder());
        transport = t.get();
        device = std::make_unique<Device>(std::move(t));
    }

    LogCapture log;
    FakeFlashFrame frame;
    ScriptedTransport* transport = nullptr;
    std::unique_ptr<Device> device;
};

using TestCommunicationTest = DeviceFixture;

TEST_F(TestCommunicationTest, FirstAnswerStoresTheErrorCode)
{
    frame.statusReply[1] = 0xFF;
    le::put32(&frame.statusReply[2], 0x00A1B2C3);
    g_getStatusError = 1;
    EXPECT_EQ(TestCommunication(*device), 1);
    EXPECT_EQ(g_ErrorCode, 0x00A1B2C3u);
    EXPECT_EQ(g_getStatusError, 0);
    ASSERT_EQ(transport->requests.size(), 1u);
    EXPECT_EQ(transport->requests[0][1], 0x30);
    EXPECT_EQ(transport->requests[0][2], 1);
    EXPECT_TRUE(log.contains("TestCommunication! Current mode code = 0xff!\n"));
    EXPECT_TRUE(log.contains("TestCommunication! g_ErrorCode = 0xa1b2c3\n"));
}

TEST_F(TestCommunicationTest, GivesUpAfterFiveAttempts)
{
    frame.statusOf[0x30] = 0xFF;
    EXPECT_EQ(TestCommunication(*device), 0);
    ASSERT_EQ(transport->requests.size(), 5u);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(transport->requests[static_cast<size_t>(i)][2], i + 1);
    EXPECT_EQ(g_getStatusError, 1);
    EXPECT_TRUE(log.contains("TestCommunication! g_getStatusError=1\n"));
}

TEST_F(TestCommunicationTest, StopRequestEndsTheWaitWithoutChangingState)
{
    std::atomic<int> stop{1};
    g_getStatusError = 0;
    EXPECT_EQ(TestCommunication(*device, &stop), 0);
    EXPECT_TRUE(transport->requests.empty());
    EXPECT_EQ(g_getStatusError, 0);
}

using GetTouchPointsTest = DeviceFixture;

TEST_F(GetTouchPointsTest, DecodesBothSidesAndCapsTheCountAtFive)
{
    CandidateReport sent;
    sent.leftCount = 7;
    sent.rightCount = 2;
    for (int i = 0; i < 5; ++i)
        sent.left[static_cast<size_t>(i)] = {static_cast<uint16_t>(300 + i), 9, 200, 0, 0};
    sent.right[0] = {0x0456, 0x0102, 0x80, 0, 0};
    sent.right[1] = {900, 4, 12, 0, 0};
    uint8_t encoded[61];
    encodeCandidateReport(sent, encoded);
    EXPECT_EQ(encoded[0], 7);
    EXPECT_EQ(encoded[26], 2);
    EXPECT_EQ(encoded[27], 0x56);
    EXPECT_EQ(encoded[28], 0x04);
    EXPECT_EQ(encoded[29], 0x02);
    EXPECT_EQ(encoded[30], 0x01);
    EXPECT_EQ(encoded[31], 0x80);

    transport->setResponder(answerAtOnce(
        [&](const auto&, int, uint8_t* data) { std::copy(encoded, encoded + 61, data); }));
    CandidateReport got;
    int sides = 0;
    EXPECT_EQ(GetTouchPoints(*device, {0, 5, 1, 2, 3, 4, 0}, got, sides), kBothSides);
    EXPECT_EQ(sides, kSidesBoth);
    EXPECT_EQ(got.leftCount, 7);
    EXPECT_EQ(got.leftUsed(), 5);
    EXPECT_EQ(got.left[4].position, 304);
    EXPECT_EQ(got.right[0].position, 0x0456);
    EXPECT_EQ(got.right[0].halfWidth, 0x0102);
    EXPECT_EQ(got.right[0].depth, 0x80);
    EXPECT_EQ(got.right[0].valid, 0);
    EXPECT_EQ(got.right[2].position, 0) << "unused slots stay clear";
}

TEST_F(GetTouchPointsTest, ResultAndSideStatusFollowTheCounts)
{
    struct Row {
        uint8_t left, right;
        int result, sides;
    };
    for (const Row& row :
         {Row{0, 0, kNoCandidates, kSidesNone}, Row{1, 0, kOneSide, kSidesRightEmpty},
          Row{0, 3, kOneSide, kSidesLeftEmpty}, Row{2, 1, kBothSides, kSidesBoth}}) {
        transport->setResponder(answerAtOnce([row](const auto&, int, uint8_t* data) {
            data[0] = row.left;
            data[26] = row.right;
        }));
        CandidateReport got;
        int sides = 0;
        EXPECT_EQ(GetTouchPoints(*device, {}, got, sides), row.result);
        EXPECT_EQ(sides, row.sides);
    }
}

TEST_F(GetTouchPointsTest, FailedQueryIsResultThreeAndALostFrameClearsTheFlags)
{
    g_bDevExist = 1;
    frame.statusOf[0x1E] = 0xFF;
    CandidateReport got;
    got.leftCount = 3;
    int sides = 0;
    EXPECT_EQ(GetTouchPoints(*device, {}, got, sides), kQueryFailed);
    EXPECT_EQ(got.leftCount, 0);
    EXPECT_EQ(g_bDevExist, 1);
    frame.failReads = true;
    EXPECT_EQ(GetTouchPoints(*device, {}, got, sides), kQueryFailed);
    EXPECT_EQ(g_bDevExist, 0);
}

} // namespace
