#include "device/TouchPoints.h"

#include "codec/ByteOrder.h"
#include "device/DeviceState.h"

#include <cstring>

static_assert(FrameCommands::kTouchPointsReply == kCandidateReportSize);

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
