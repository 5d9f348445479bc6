#pragma once

#include "device/HidTransport.h"

#include <atomic>
#include <cstddef>
#include <cstdint>

// How one transaction ended.
enum class LinkOutcome : uint8_t {
    Done,            // the frame echoed the command with status 0x22
    Refused,         // the frame answered with status 0xFF
    OtherStatus,     // the frame answered with another status
    TransportFailed, // a report transfer failed: the frame is gone
    NoAnswer,        // the frame stayed busy for 100 replies
    NotSent,         // the request was malformed and never sent
};

// Why a call failed, in words for messages: the link lost, no answer in time, refused...
const char* failureText(LinkOutcome outcome);

// One request/reply transaction with the frame: a 64-byte request report, then reply
// reports polled until the frame echoes the command with "done" (0x22). Replies longer
// than 61 bytes arrive in consecutive reply reports.
//
// Every transaction returns its outcome. The link also keeps the last outcome of each
// thread (lastOutcome()), so that code which only sees 1/0 from the layers above can
// say why its own call failed, even while another thread talks to the same frame. The
// process-wide linkStatus / replyTimedOut are set from each outcome as well, for the
// log lines that print them; nobody explains a failure with them.
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

    // One command. On failure the whole reply buffer (replyLength bytes) holds 0xFF.
    // Command 0xFF and payloads over 62 bytes are not sent.
    LinkOutcome transact(uint8_t command, const uint8_t* payload, size_t payloadLength,
                         uint8_t* reply, size_t replyLength);
    // The same, 1 on success and 0 on failure.
    int Transact(uint8_t command, const uint8_t* payload, size_t payloadLength, uint8_t* reply,
                 size_t replyLength)
    {
        return transact(command, payload, payloadLength, reply, replyLength) == LinkOutcome::Done
                   ? 1
                   : 0;
    }
    // Waits for the answer to command; copies up to 61 bytes of reply data. 1/0.
    int PollReply(uint8_t command, uint8_t* reply, size_t length);

    // The outcome of the calling thread's last transaction on this link (Done when it
    // has made none).
    LinkOutcome lastOutcome() const;
    // The calling thread's last transaction failed because the frame is gone.
    bool lastCallLostTheFrame() const { return lastOutcome() == LinkOutcome::TransportFailed; }

    HidTransport& transport() { return transport_; }

    std::atomic<int> linkStatus{kLinkOk};
    std::atomic<int> replyTimedOut{0};

private:
    LinkOutcome poll(uint8_t command, uint8_t* reply, size_t length);
    LinkOutcome record(LinkOutcome outcome);

    HidTransport& transport_;
};
