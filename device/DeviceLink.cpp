#include "device/DeviceLink.h"

#include "device/Delay.h"

#include <algorithm>
#include <cstring>

namespace {

// The calling thread's last outcome, and the link it was on.
struct ThreadOutcome {
    const DeviceLink* link = nullptr;
    LinkOutcome outcome = LinkOutcome::Done;
};
thread_local ThreadOutcome lastOfThisThread;

} // namespace

const char* failureText(LinkOutcome outcome)
{
    switch (outcome) {
    case LinkOutcome::TransportFailed:
        return "the frame stopped answering (link lost)";
    case LinkOutcome::NoAnswer:
        return "the frame did not answer in time";
    case LinkOutcome::Refused:
        return "the frame refused the command";
    case LinkOutcome::NotSent:
        return "the request was malformed and not sent";
    case LinkOutcome::OtherStatus:
    case LinkOutcome::Done:
        break;
    }
    return "the frame reported a failure";
}

LinkOutcome DeviceLink::record(LinkOutcome outcome)
{
    lastOfThisThread = {this, outcome};
    return outcome;
}

LinkOutcome DeviceLink::lastOutcome() const
{
    return lastOfThisThread.link == this ? lastOfThisThread.outcome : LinkOutcome::Done;
}

LinkOutcome DeviceLink::transact(uint8_t command, const uint8_t* payload, size_t payloadLength,
                                 uint8_t* reply, size_t replyLength)
{
    auto fail = [&](LinkOutcome outcome) {
        if (reply && replyLength > 0)
            std::memset(reply, 0xFF, replyLength);
        return record(outcome);
    };
    if (command == 0xFF || payloadLength > kMaxPayload || (payloadLength > 0 && !payload) ||
        (replyLength > 0 && !reply))
        return fail(LinkOutcome::NotSent);

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
        return fail(LinkOutcome::TransportFailed);
    }

    for (size_t offset = 0; offset == 0 || offset < replyLength; offset += kReplyData) {
        const LinkOutcome outcome =
            poll(command, reply ? reply + offset : nullptr,
                 std::min(kReplyData, replyLength - std::min(offset, replyLength)));
        if (outcome != LinkOutcome::Done)
            return fail(outcome);
    }
    return record(LinkOutcome::Done);
}

int DeviceLink::PollReply(uint8_t command, uint8_t* reply, size_t length)
{
    return record(poll(command, reply, length)) == LinkOutcome::Done ? 1 : 0;
}

LinkOutcome DeviceLink::poll(uint8_t command, uint8_t* reply, size_t length)
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
            return LinkOutcome::TransportFailed;
        }
        if (attempt == kMaxEvaluatedReplies) {
            replyTimedOut = 1;
            return LinkOutcome::NoAnswer;
        }
        const uint8_t echo = report[1];
        const uint8_t status = report[2];
        if (echo == code) {
            if (status == kStatusDone) {
                linkStatus = kLinkOk;
                if (length > 0 && reply)
                    std::memcpy(reply, report + 3, length);
                return LinkOutcome::Done;
            }
            if (status == kStatusRefused) {
                linkStatus = kLinkRefused;
                return LinkOutcome::Refused;
            }
            return LinkOutcome::OtherStatus;
        }
        delay::wait(busyWaitMs);
    }
}
