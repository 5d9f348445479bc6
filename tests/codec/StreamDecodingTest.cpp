// Decoders of what arrives from outside, on inputs cut short or overlong: a message
// is taken only when it is whole, and a reply's counts never reach past its slots.
#include "codec/CandidateReport.h"
#include "codec/FrameLinkMessage.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(FrameLinkMessage, OnlyWholeMessagesAreTakenOneAfterTheOther)
{
    using namespace frame_link;
    const std::vector<uint8_t> stream = {'S', 2, 0, 0xAA, 0xBB, 'I', 0, 0, 'G', 3, 0, 6};
    Message m;
    for (size_t cut = 0; cut < 5; ++cut)
        EXPECT_EQ(takeMessage(stream.data(), cut, m), 0u) << cut << " bytes are not a message";
    ASSERT_EQ(takeMessage(stream.data(), stream.size(), m), 5u);
    EXPECT_EQ(m.kind, 'S');
    ASSERT_EQ(m.length, 2u);
    EXPECT_EQ(m.payload[1], 0xBB);
    ASSERT_EQ(takeMessage(stream.data() + 5, stream.size() - 5, m), 3u);
    EXPECT_EQ(m.kind, 'I');
    EXPECT_EQ(m.length, 0u);
    EXPECT_EQ(takeMessage(stream.data() + 8, stream.size() - 8, m), 0u)
        << "a payload of 3 with 1 byte there waits for the rest";
    const std::vector<uint8_t> longest = {'G', 0xFF, 0xFF};
    EXPECT_EQ(takeMessage(longest.data(), longest.size(), m), 0u);
}

TEST(CandidateReport, CountsAboveTheSlotsDecodeOnlyTheSlots)
{
    std::vector<uint8_t> reply(kCandidateReportSize, 0x11);
    reply[0] = 200; // left count as the frame reported it
    reply[26] = 3;
    CandidateReport r;
    decodeCandidateReport(reply.data(), r);
    EXPECT_EQ(r.leftCount, 200);
    EXPECT_EQ(r.leftUsed(), CandidateReport::kSlots);
    EXPECT_EQ(r.left[4].position, 0x1111);
    EXPECT_EQ(r.rightUsed(), 3);
    EXPECT_EQ(r.right[3].position, 0) << "slots beyond the count stay empty";
    std::vector<uint8_t> again(kCandidateReportSize, 0xEE);
    encodeCandidateReport(r, again.data());
    EXPECT_EQ(again[0], 200);
    EXPECT_EQ(again[1], 0x11);
}

} // namespace
