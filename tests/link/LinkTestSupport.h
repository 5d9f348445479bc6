#pragma once

// Raw frame-link sockets for tests: a listening socket at a path, whole messages read
// and written by hand, and a device end that runs a script on one connection.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace link_test {

using Bytes = std::vector<uint8_t>;

// No wait in these tests should come near this; it only keeps a broken test from
// hanging the suite.
constexpr int kGiveUpMs = 5000;

inline sockaddr_un addressOf(const std::string& path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    return address;
}

// A socket bound at path; listening unless listen is false (then nobody ever accepts,
// like the socket file a crashed device leaves behind).
inline int bindAt(const std::string& path, bool listen = true)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_un address = addressOf(path);
    if (fd < 0 || ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        (listen && ::listen(fd, 8) != 0)) {
        ADD_FAILURE() << "cannot bind " << path;
        if (fd >= 0)
            ::close(fd);
        return -1;
    }
    return fd;
}

inline int connectTo(const std::string& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_un address = addressOf(path);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

inline bool readable(int fd, int timeoutMs = kGiveUpMs)
{
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, timeoutMs) > 0;
}

// Exactly length bytes; false on end of stream or when nothing comes for a while.
inline bool readExactly(int fd, uint8_t* data, size_t length)
{
    while (length > 0) {
        if (!readable(fd))
            return false;
        const ssize_t n = ::recv(fd, data, length, 0);
        if (n <= 0)
            return false;
        data += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

// One whole message (header and payload); empty when the stream ended.
inline Bytes readMessage(int fd)
{
    Bytes message(3);
    if (!readExactly(fd, message.data(), 3))
        return {};
    message.resize(3 + (message[1] | (message[2] << 8)));
    if (!readExactly(fd, message.data() + 3, message.size() - 3))
        return {};
    return message;
}

inline Bytes message(char kind, const Bytes& payload = {})
{
    Bytes m{static_cast<uint8_t>(kind), static_cast<uint8_t>(payload.size()),
            static_cast<uint8_t>(payload.size() >> 8)};
    m.insert(m.end(), payload.begin(), payload.end());
    return m;
}

inline bool writeBytes(int fd, const Bytes& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// True once the other end has closed the connection (within kGiveUpMs).
inline bool closedByPeer(int fd)
{
    uint8_t byte = 0;
    for (;;) {
        if (!readable(fd))
            return false;
        const ssize_t n = ::recv(fd, &byte, 1, 0);
        if (n <= 0)
            return true;
    }
}

// The device end of one socket: accepts one connection and runs a script on it in a
// thread of its own. join() (or the destructor) waits for the script to end.
class FakeLinkDevice {
public:
    using Script = std::function<void(int fd)>;

    FakeLinkDevice(const std::string& path, Script script) : listener_(bindAt(path))
    {
        thread_ = std::thread([this, script = std::move(script)] {
            if (listener_ < 0 || !readable(listener_))
                return;
            const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0)
                return;
            script(fd);
            ::close(fd);
        });
    }
    ~FakeLinkDevice()
    {
        join();
        if (listener_ >= 0)
            ::close(listener_);
    }
    FakeLinkDevice(const FakeLinkDevice&) = delete;
    FakeLinkDevice& operator=(const FakeLinkDevice&) = delete;

    void join()
    {
        if (thread_.joinable())
            thread_.join();
    }

private:
    int listener_;
    std::thread thread_;
};

} // namespace link_test
