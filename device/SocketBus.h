#pragma once

#include "codec/FrameLinkMessage.h"
#include "device/CollectionTransport.h"
#include "device/HidBus.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

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
