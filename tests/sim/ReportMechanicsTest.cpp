#include "SimTestSupport.h"

namespace {

using sim::VirtualFrame;
using simtest::kDone;
using simtest::kRefused;
using simtest::RawLink;
using simtest::Report;

class ReportMechanicsTest : public simtest::SimTest {
protected:
    VirtualFrame frame;
    RawLink link{frame};
};

TEST_F(ReportMechanicsTest, AnswerIsReadyAtTheFirstPollByDefault)
{
    const Report r = link.command(0x0B);
    EXPECT_EQ(r[0], 0x06);
    EXPECT_EQ(r[1], 0x0B);
    EXPECT_EQ(r[2], kDone);
}

TEST_F(ReportMechanicsTest, BusyPollsComeFirstAndNeverEchoACommand)
{
    frame.setBusyPolls(3);
    ASSERT_TRUE(link.send(0x0B));
    for (int i = 0; i < 3; ++i) {
        const Report busy = link.poll();
        EXPECT_GT(busy[1], 0x3F) << i;
    }
    EXPECT_EQ(link.poll()[1], 0x0B);
}

TEST_F(ReportMechanicsTest, PerCommandBusyPollsOverrideTheCommonSetting)
{
    frame.setBusyPolls(2);
    frame.setBusyPolls(0x0A, 0);
    EXPECT_EQ(link.command(0x0A, simtest::flashPayload(0x10000, 4))[1], 0x0A);
    ASSERT_TRUE(link.send(0x0B));
    EXPECT_EQ(link.poll()[1], 0xFF);
    EXPECT_EQ(link.poll()[1], 0xFF);
    EXPECT_EQ(link.poll()[1], 0x0B);
    frame.clearBusyPolls(0x0A);
    ASSERT_TRUE(link.send(0x0A, simtest::flashPayload(0x10000, 4)));
    EXPECT_EQ(link.poll()[1], 0xFF);
}

TEST_F(ReportMechanicsTest, SixtyOneBytesFitOneReportAndSixtyTwoNeedTwo)
{
    // Preview data: offset 640 (a new picture starts at 0), length 61, then length 62.
    ASSERT_TRUE(link.send(0x80, {0x80, 0x02, 61, 0}));
    const Report one = link.poll();
    EXPECT_EQ(one[2], kDone);
    EXPECT_EQ(one[63], 20);
    EXPECT_EQ(link.poll(), one); // nothing more: the last report again

    ASSERT_TRUE(link.send(0x80, {0x80, 0x02, 62, 0}));
    const Report first = link.poll();
    const Report second = link.poll();
    EXPECT_EQ(first[63], 20);
    EXPECT_EQ(second[1], 0x00);
    EXPECT_EQ(second[2], kDone);
    EXPECT_EQ(second[3], 20);
    EXPECT_EQ(second[4], 0); // beyond the answer
    EXPECT_EQ(link.poll(), second);
}

TEST_F(ReportMechanicsTest, LongAnswerGoesOutIn61ByteReportsInOrder)
{
    std::vector<uint8_t> picture(200);
    for (size_t i = 0; i < picture.size(); ++i)
        picture[i] = static_cast<uint8_t>(i);
    frame.withFirmware([&](sim::FrameState& state, sim::CommandTable&) {
        std::copy(picture.begin(), picture.end(), state.module(Side::Slave).imageMemory[1].begin());
    });
    const std::vector<uint8_t> data = link.data(0x41, {0, 0, 200, 0}, 4);
    EXPECT_TRUE(std::equal(picture.begin(), picture.end(), data.begin()));
    EXPECT_TRUE(std::all_of(data.begin() + 200, data.end(), [](uint8_t b) { return b == 0; }));
}

TEST_F(ReportMechanicsTest, FinishedAnswerKeepsBeingRepeated)
{
    const Report answer = link.command(0x08, {0x0A});
    EXPECT_EQ(answer[3], frame.sensorRegister(Side::Master, 0x0A));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(link.poll(), answer);
}

TEST_F(ReportMechanicsTest, BeforeAnyRequestThePollShowsNothingToAnswer)
{
    EXPECT_GT(link.poll()[1], 0x3F);
}

TEST_F(ReportMechanicsTest, NewRequestReplacesAnUnreadAnswer)
{
    frame.setBusyPolls(5);
    ASSERT_TRUE(link.send(0x0B));
    frame.setBusyPolls(0);
    ASSERT_TRUE(link.send(0x30, {1}));
    EXPECT_EQ(link.poll()[1], 0x30);
}

TEST_F(ReportMechanicsTest, FlaggedCommandIsEchoedWithItsBaseCode)
{
    const Report r = link.command(0x81, {0, 0, 1, 0});
    EXPECT_EQ(r[1], 0x01);
    EXPECT_EQ(r[2], kDone);
    EXPECT_EQ(link.command(0xAF, std::vector<uint8_t>(62, 1))[1], 0x2F);
}

TEST_F(ReportMechanicsTest, UnknownCommandsAreRefused)
{
    for (uint8_t code : {0x02, 0x03, 0x0C, 0x10, 0x3F, 0x44, 0xC0, 0xFF}) {
        const Report r = link.command(code);
        EXPECT_EQ(r[1], code & 0x3F) << int(code);
        EXPECT_EQ(r[2], kRefused) << int(code);
    }
}

TEST_F(ReportMechanicsTest, WrongReportIdsAndSizesFailTheTransfer)
{
    Report request{};
    request[0] = 0x06;
    const int vendor = VirtualFrame::kVendorCollection;
    EXPECT_FALSE(frame.setFeature(vendor, link.connection(), request.data(), 64));
    request[0] = 0x05;
    EXPECT_FALSE(frame.setFeature(vendor, link.connection(), request.data(), 63));
    Report reply{};
    reply[0] = 0x05;
    EXPECT_FALSE(frame.getFeature(vendor, link.connection(), reply.data(), 64));
    reply[0] = 0x06;
    EXPECT_FALSE(frame.getFeature(vendor, link.connection(), reply.data(), 3));
    EXPECT_FALSE(frame.getFeature(vendor, link.connection(), nullptr, 64));
    EXPECT_TRUE(frame.requestLog().empty());
}

TEST_F(ReportMechanicsTest, KeyStateReportCarriesTheKeyBits)
{
    uint8_t report[3] = {0x07, 0xEE, 0xEE};
    ASSERT_TRUE(frame.getFeature(VirtualFrame::kVendorCollection, link.connection(), report, 3));
    EXPECT_EQ(report[1], 0);
    EXPECT_EQ(report[2], 0);
    frame.setKeyState(0x81, 0x04);
    ASSERT_TRUE(frame.getFeature(VirtualFrame::kVendorCollection, link.connection(), report, 3));
    EXPECT_EQ(report[0], 0x07);
    EXPECT_EQ(report[1], 0x81);
    EXPECT_EQ(report[2], 0x04);
}

TEST_F(ReportMechanicsTest, RequestLogHoldsEveryRequestAsSent)
{
    link.command(0x0E, {0xFF});
    link.command(0x09, simtest::flashPayload(0x1E000, 2, {0xAB, 0xCD}));
    const auto log = frame.requestLog();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0][0], 0x05);
    EXPECT_EQ(log[0][1], 0x0E);
    EXPECT_EQ(log[0][2], 0xFF);
    EXPECT_EQ(log[1][1], 0x09);
    EXPECT_EQ(log[1][2], 0x00);
    EXPECT_EQ(log[1][3], 0xE0);
    EXPECT_EQ(log[1][4], 0x01);
    EXPECT_EQ(log[1][5], 2);
    EXPECT_EQ(log[1][7], 0xCD);
    frame.clearRequestLog();
    EXPECT_TRUE(frame.requestLog().empty());
}

TEST_F(ReportMechanicsTest, RequestLogKeepsOnlyTheNewestRequests)
{
    for (size_t i = 0; i < VirtualFrame::kRequestLogLimit + 3; ++i)
        ASSERT_TRUE(link.send(0x30, {static_cast<uint8_t>(i)}));
    const auto log = frame.requestLog();
    ASSERT_EQ(log.size(), VirtualFrame::kRequestLogLimit);
    EXPECT_EQ(log.front()[2], 3);
    EXPECT_EQ(log.back()[2], static_cast<uint8_t>(VirtualFrame::kRequestLogLimit + 2));
}

} // namespace
