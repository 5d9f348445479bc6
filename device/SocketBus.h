#pragma once

#include "device/CollectionTransport.h"
#include "device/HidBus.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

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

} // namespace frame_link

// The host side of the frame link: every Unix stream socket in a folder is one HID
// collection. Opening a collection connects to its socket; each call on it is one
// request and its answer. A call that goes wrong on the stream (wrong answer, short
// read, closed connection, no answer in time) fails, and so does every later call on
// that connection: once an answer has been missed the stream is out of step. A
// refused report or an unreadable one is a proper answer and leaves the stream usable.
class SocketBus : public HidBus {
public:
    static constexpr int kDefaultTimeoutMs = 2000;

    // timeoutMs bounds each call (request sent and answer read).
    explicit SocketBus(std::string dir, int timeoutMs = kDefaultTimeoutMs);

    // The sockets of the folder in ascending byte order of their names; entries that
    // are not sockets are skipped; a missing folder gives an empty list.
    std::vector<std::string> enumerate() override;
    // nullptr when nobody accepts on the socket.
    std::unique_ptr<HidCollection> openCollection(const std::string& path) override;

    const std::string& dir() const { return dir_; }

private:
    std::string dir_;
    int timeoutMs_;
};

// The transport over a frame-link folder (--device=unix:DIR).
class SocketTransport : public CollectionTransport {
public:
    explicit SocketTransport(const std::string& dir, int timeoutMs = SocketBus::kDefaultTimeoutMs)
        : CollectionTransport(std::make_unique<SocketBus>(dir, timeoutMs))
    {
    }
};
