#include "device/TouchPoints.h"

#include "device/ByteOrder.h"
#include "device/DeviceState.h"

#include <cstring>

namespace {

constexpr int kLeftCount = 0;
constexpr int kLeftEntries = 1;
constexpr int kRightCount = 26;
constexpr int kRightEntries = 27;
constexpr int kEntrySize = 5;

void decodeEntries(const uint8_t* p, int count,
                   std::array<TouchCandidate, CandidateReport::kSlots>& out)
{
    for (int i = 0; i < count && i < CandidateReport::kSlots; ++i) {
        const uint8_t* e = p + i * kEntrySize;
        out[static_cast<size_t>(i)] = {le::u16(e), le::u16(e + 2), e[4], 0, 0};
    }
}

void encodeEntries(const std::array<TouchCandidate, CandidateReport::kSlots>& in, uint8_t* p)
{
    for (int i = 0; i < CandidateReport::kSlots; ++i) {
        const TouchCandidate& c = in[static_cast<size_t>(i)];
        uint8_t* e = p + i * kEntrySize;
        le::put16(e, c.position);
        le::put16(e + 2, c.halfWidth);
        e[4] = static_cast<uint8_t>(c.depth);
    }
}

} // namespace

void decodeCandidateReport(const uint8_t* reply, CandidateReport& report)
{
    report = CandidateReport{};
    report.leftCount = reply[kLeftCount];
    report.rightCount = reply[kRightCount];
    decodeEntries(reply + kLeftEntries, report.leftCount, report.left);
    decodeEntries(reply + kRightEntries, report.rightCount, report.right);
}

void encodeCandidateReport(const CandidateReport& report, uint8_t* reply)
{
    std::memset(reply, 0, FrameCommands::kTouchPointsReply);
    reply[kLeftCount] = report.leftCount;
    reply[kRightCount] = report.rightCount;
    encodeEntries(report.left, reply + kLeftEntries);
    encodeEntries(report.right, reply + kRightEntries);
}

int GetTouchPoints(Device& device,
                   const std::array<uint8_t, FrameCommands::kTouchPointsRequest>& request,
                   CandidateReport& report, int& sideStatus)
{
    report = CandidateReport{};
    std::array<uint8_t, FrameCommands::kTouchPointsReply> reply{};
    if (!device.commands.touchPoints(request, reply)) {
        if (device.link.lastCallLostTheFrame())
            markDeviceLost();
        sideStatus = kSidesNone;
        return kQueryFailed;
    }
    decodeCandidateReport(reply.data(), report);
    const bool left = report.leftCount != 0;
    const bool right = report.rightCount != 0;
    sideStatus = left && right    ? kSidesBoth
                 : !left && right ? kSidesLeftEmpty
                 : left && !right ? kSidesRightEmpty
                                  : kSidesNone;
    return left && right ? kBothSides : (left || right) ? kOneSide : kNoCandidates;
}
