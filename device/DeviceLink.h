#pragma once

#include "HidTransport.h"

#include <atomic>
#include <cstddef>
#include <cstdint>

// One request/reply transaction with the frame: a 64-byte request report, then reply
// reports polled until the frame echoes the command with "done" (0x22). Replies longer
// than 61 bytes arrive in consecutive reply reports.
class DeviceLink {
public:
    static constexpr uint8_t kRequestReportId = 0x05;
    static constexpr uint8_t kReplyReportId = 0x06;
    static constexpr uint8_t kStatusDone = 0x22;
    static constexpr uint8_t kStatusRefused = 0xFF;
    static constexpr size_t kMaxPayload = 62;
    static constexpr size_t kReplyData = 61;
    static constexpr int kMaxEvaluatedReplies = 100;

    // linkStatus values
    static constexpr int kLinkOk = 0;
    static constexpr int kLinkRefused = 1;   // the frame answered with status 0xFF
    static constexpr int kLinkHidFailed = 2; // a report transfer failed: the frame is gone

    explicit DeviceLink(HidTransport& transport) : transport_(transport) {}

    // One command. Returns 1 on success, 0 on failure; on failure the whole reply
    // buffer (replyLength bytes) holds 0xFF. Command 0xFF is refused without sending.
    int Transact(uint8_t command, const uint8_t* payload, size_t payloadLength, uint8_t* reply,
                 size_t replyLength);
    // Waits for the answer to command; copies up to 61 bytes of reply data.
    int PollReply(uint8_t command, uint8_t* reply, size_t length);

    HidTransport& transport() { return transport_; }

    std::atomic<int> linkStatus{kLinkOk};
    std::atomic<int> replyTimedOut{0};

private:
    HidTransport& transport_;
};
