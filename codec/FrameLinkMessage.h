#pragma once

#include <cstddef>
#include <cstdint>

// The wire format of the frame link, shared by the host side (SocketBus) and the
// device side (sim::FrameServer). Every message is kind (1 byte), payload length
// (u16 LE) and the payload.
namespace frame_link {

constexpr size_t kHeaderSize = 3;
constexpr size_t kMaxPayload = 0xFFFF;

// Host requests
constexpr uint8_t kIdentity = 'I';   // no payload
constexpr uint8_t kSetFeature = 'S'; // the whole report
constexpr uint8_t kGetFeature = 'G'; // report ID, report length (u16 LE)

// Device answers
constexpr uint8_t kIdentityAnswer = 'i'; // vendor, product, usage page, usage (u16 LE each)
constexpr uint8_t kSetAnswer = 'a';      // one byte: 0 accepted, 1 refused
constexpr uint8_t kGetAnswer = 'g';      // the report, report ID in byte 0
constexpr uint8_t kGetFailed = 'e';      // no payload

constexpr size_t kIdentitySize = 8;
constexpr size_t kGetRequestSize = 3;
constexpr uint8_t kAccepted = 0;
constexpr uint8_t kRefused = 1;

// Header of a message with the given payload length (at most kMaxPayload).
inline void putHeader(uint8_t* header, uint8_t kind, size_t payloadLength)
{
    header[0] = kind;
    header[1] = static_cast<uint8_t>(payloadLength);
    header[2] = static_cast<uint8_t>(payloadLength >> 8);
}

// One message taken from the front of a byte stream.
struct Message {
    uint8_t kind = 0;
    const uint8_t* payload = nullptr;
    size_t length = 0;
};

// The first whole message of input (size bytes): its kind and payload, and how many
// bytes it takes (header and payload). 0 while the message is not complete yet.
size_t takeMessage(const uint8_t* input, size_t size, Message& message);

} // namespace frame_link
