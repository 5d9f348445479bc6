#include "device/SocketBus.h"

#include "device/ByteOrder.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include <dirent.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace frame_link;

namespace {

using Clock = std::chrono::steady_clock;

int millisecondsLeft(Clock::time_point deadline)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// Waits until fd is ready for events or has hung up. False when the deadline passes.
bool waitFor(int fd, short events, Clock::time_point deadline)
{
    for (;;) {
        pollfd p{fd, events, 0};
        const int n = ::poll(&p, 1, millisecondsLeft(deadline));
        if (n > 0)
            return true; // a hang-up or error shows in the send/recv that follows
        if (n == 0 || errno != EINTR)
            return false;
    }
}

bool sendAll(int fd, const uint8_t* data, size_t length, Clock::time_point deadline)
{
    while (length > 0) {
        // MSG_NOSIGNAL: a frame that went away must fail the call, not kill the program.
        const ssize_t n = ::send(fd, data, length, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            data += n;
            length -= static_cast<size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!waitFor(fd, POLLOUT, deadline))
                return false;
        } else {
            return false;
        }
    }
    return true;
}

bool receiveAll(int fd, uint8_t* data, size_t length, Clock::time_point deadline)
{
    while (length > 0) {
        const ssize_t n = ::recv(fd, data, length, MSG_DONTWAIT);
        if (n > 0) {
            data += n;
            length -= static_cast<size_t>(n);
        } else if (n == 0) {
            return false; // closed in the middle of an answer
        } else if (errno == EINTR) {
            continue;
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            if (!waitFor(fd, POLLIN, deadline))
                return false;
        } else {
            return false;
        }
    }
    return true;
}

// A connected stream socket, or -1. The send timeout bounds connect() when the
// listener's backlog is full.
int connectTo(const std::string& path, int timeoutMs)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path)
        return -1;
    std::memcpy(address.sun_path, path.data(), path.size());
    const timeval limit{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    for (;;) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0)
            return -1;
        ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
            return fd;
        const int error = errno;
        ::close(fd);
        if (error != EINTR)
            return -1;
    }
}

class SocketCollection : public HidCollection {
public:
    SocketCollection(int fd, int timeoutMs) : fd_(fd), timeoutMs_(timeoutMs) {}
    ~SocketCollection() override { disconnect(); }
    SocketCollection(const SocketCollection&) = delete;
    SocketCollection& operator=(const SocketCollection&) = delete;

    bool attributes(uint16_t& vendorId, uint16_t& productId) override
    {
        uint8_t identity[kIdentitySize];
        if (!readIdentity(identity))
            return false;
        vendorId = le::u16(identity);
        productId = le::u16(identity + 2);
        return true;
    }

    bool usage(uint16_t& usagePage, uint16_t& usage) override
    {
        uint8_t identity[kIdentitySize];
        if (!readIdentity(identity))
            return false;
        usagePage = le::u16(identity + 4);
        usage = le::u16(identity + 6);
        return true;
    }

    bool setFeature(const uint8_t* report, size_t length) override
    {
        if (length == 0 || length > kMaxPayload)
            return false;
        const Clock::time_point deadline = startCall();
        uint8_t kind = 0;
        size_t answerLength = 0;
        uint8_t verdict = 0;
        if (!exchange(kSetFeature, report, length, deadline, kind, answerLength) ||
            kind != kSetAnswer || answerLength != 1 || !receive(&verdict, 1, deadline) ||
            (verdict != kAccepted && verdict != kRefused))
            return broken();
        return verdict == kAccepted;
    }

    bool getFeature(uint8_t* report, size_t length) override
    {
        if (length == 0 || length > kMaxPayload)
            return false;
        uint8_t request[kGetRequestSize];
        request[0] = report[0];
        le::put16(request + 1, static_cast<uint16_t>(length));
        const Clock::time_point deadline = startCall();
        uint8_t kind = 0;
        size_t answerLength = 0;
        if (!exchange(kGetFeature, request, sizeof request, deadline, kind, answerLength))
            return broken();
        if (kind == kGetFailed && answerLength == 0)
            return false;
        if (kind != kGetAnswer || answerLength != length)
            return broken();
        // Read aside, so a wrong answer leaves the caller's buffer as it was.
        std::vector<uint8_t> answer(length);
        if (!receive(answer.data(), length, deadline) || answer[0] != report[0])
            return broken();
        std::copy(answer.begin(), answer.end(), report);
        return true;
    }

private:
    Clock::time_point startCall() const
    {
        return Clock::now() + std::chrono::milliseconds(timeoutMs_);
    }

    bool readIdentity(uint8_t* identity)
    {
        const Clock::time_point deadline = startCall();
        uint8_t kind = 0;
        size_t answerLength = 0;
        if (!exchange(kIdentity, nullptr, 0, deadline, kind, answerLength) ||
            kind != kIdentityAnswer || answerLength != kIdentitySize ||
            !receive(identity, kIdentitySize, deadline))
            return broken();
        return true;
    }

    // Sends one request and reads the header of its answer.
    bool exchange(uint8_t kind, const uint8_t* payload, size_t length, Clock::time_point deadline,
                  uint8_t& answerKind, size_t& answerLength)
    {
        if (fd_ < 0)
            return false;
        std::vector<uint8_t> message(kHeaderSize + length);
        putHeader(message.data(), kind, length);
        if (length > 0)
            std::memcpy(message.data() + kHeaderSize, payload, length);
        uint8_t header[kHeaderSize];
        if (!sendAll(fd_, message.data(), message.size(), deadline) ||
            !receiveAll(fd_, header, sizeof header, deadline))
            return false;
        answerKind = header[0];
        answerLength = le::u16(header + 1);
        return true;
    }

    bool receive(uint8_t* data, size_t length, Clock::time_point deadline)
    {
        return fd_ >= 0 && receiveAll(fd_, data, length, deadline);
    }

    bool broken()
    {
        disconnect();
        return false;
    }

    void disconnect()
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

    int fd_;
    int timeoutMs_;
};

} // namespace

// A zero send timeout would let connect() wait forever.
SocketBus::SocketBus(std::string dir, int timeoutMs)
    : dir_(std::move(dir)), timeoutMs_(std::max(1, timeoutMs))
{
}

std::vector<std::string> SocketBus::enumerate()
{
    std::vector<std::string> names;
    DIR* folder = ::opendir(dir_.c_str());
    if (!folder)
        return names;
    while (const dirent* entry = ::readdir(folder)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        // stat, not lstat: a link to a socket connects like the socket itself.
        struct stat info {};
        if (::fstatat(::dirfd(folder), entry->d_name, &info, 0) == 0 && S_ISSOCK(info.st_mode))
            names.push_back(name);
    }
    ::closedir(folder);
    // std::string compares its chars as unsigned: this is byte order.
    std::sort(names.begin(), names.end());
    std::vector<std::string> paths;
    paths.reserve(names.size());
    for (const std::string& name : names)
        paths.push_back(dir_ + "/" + name);
    return paths;
}

std::unique_ptr<HidCollection> SocketBus::openCollection(const std::string& path)
{
    const int fd = connectTo(path, timeoutMs_);
    if (fd < 0)
        return nullptr;
    return std::make_unique<SocketCollection>(fd, timeoutMs_);
}
