#include "DeviceLink.h"

#include "Delay.h"

#include <algorithm>
#include <cstring>

int DeviceLink::Transact(uint8_t command, const uint8_t* payload, size_t payloadLength,
                         uint8_t* reply, size_t replyLength)
{
    auto fail = [&] {
        if (reply && replyLength > 0)
            std::memset(reply, 0xFF, replyLength);
        return 0;
    };
    if (command == 0xFF || payloadLength > kMaxPayload || (payloadLength > 0 && !payload) ||
        (replyLength > 0 && !reply))
        return fail();

    uint8_t request[HidTransport::kReportSize] = {};
    request[0] = kRequestReportId;
    request[1] = command;
    if (payloadLength > 0)
        std::memcpy(request + 2, payload, payloadLength);

    delay::wait(2.0);
    // A lost request must not be answered by the poll with the previous command's
    // reply: a failed send fails the command like a failed read.
    if (!transport_.setFeature64(request)) {
        linkStatus = kLinkHidFailed;
        return fail();
    }

    if (replyLength <= kReplyData)
        return PollReply(command, reply, replyLength) ? 1 : fail();

    for (size_t offset = 0; offset < replyLength; offset += kReplyData) {
        if (!PollReply(command, reply + offset, std::min(kReplyData, replyLength - offset)))
            return fail();
    }
    return 1;
}

int DeviceLink::PollReply(uint8_t command, uint8_t* reply, size_t length)
{
    const uint8_t code = command & 0x3F;
    const double busyWaitMs = (code == 0 || code == 1) ? 5.0 : 40.0;
    length = std::min(length, kReplyData);
    replyTimedOut = 0;

    for (int attempt = 0;; ++attempt) {
        if (code == 0x2E)
            delay::wait(50.0);
        delay::wait(2.0);
        uint8_t report[HidTransport::kReportSize] = {};
        report[0] = kReplyReportId;
        if (!transport_.getFeature64(report)) {
            linkStatus = kLinkHidFailed;
            return 0;
        }
        if (attempt == kMaxEvaluatedReplies) {
            replyTimedOut = 1;
            return 0;
        }
        const uint8_t echo = report[1];
        const uint8_t status = report[2];
        if (echo == code) {
            if (status == kStatusDone) {
                linkStatus = kLinkOk;
                if (length > 0 && reply)
                    std::memcpy(reply, report + 3, length);
                return 1;
            }
            if (status == kStatusRefused)
                linkStatus = kLinkRefused;
            return 0;
        }
        delay::wait(busyWaitMs);
    }
}
