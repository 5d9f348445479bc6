#include "sim/FrameServer.h"

#include "device/SocketBus.h"
#include "sim/FrameRequests.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace sim {

struct FrameServer::Listener {
    std::string busPath;
    std::string file; // full path of the socket
    int fd = -1;
    // The socket file this server bound, so that it never removes someone else's.
    dev_t device = 0;
    ino_t inode = 0;
};

struct FrameServer::Connection {
    std::string busPath;
    int fd = -1;
    std::unique_ptr<HidCollection> collection;
    std::vector<uint8_t> input; // bytes of requests not yet complete
};

namespace {

constexpr size_t kMaxSocketPath = sizeof(sockaddr_un{}.sun_path) - 1;
// Room for the position prefix and a little of the collection's name.
constexpr size_t kMinNameRoom = 8;

sockaddr_un addressOf(const std::string& file)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    file.copy(address.sun_path, kMaxSocketPath);
    return address;
}

bool isSocket(const std::string& file)
{
    struct stat info {};
    return ::lstat(file.c_str(), &info) == 0 && S_ISSOCK(info.st_mode);
}

enum class Peer { Answers, Stale, Unknown };

// Whether anybody accepts on the socket file: a connection that is taken or queued
// (even on a full queue) means a live device; a refused one, a file left behind.
Peer peerAt(const std::string& file)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return Peer::Unknown;
    const sockaddr_un address = addressOf(file);
    Peer peer = Peer::Answers;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        peer = errno == ECONNREFUSED ? Peer::Stale
               : errno == EAGAIN     ? Peer::Answers
                                     : Peer::Unknown;
    ::close(fd);
    return peer;
}

// "<position>-<bus path with only file-name-safe characters>", short enough that the
// whole path fits a socket address.
std::string socketName(size_t position, size_t width, const std::string& busPath, size_t room)
{
    std::string name = std::to_string(position);
    name.insert(0, width > name.size() ? width - name.size() : 0, '0');
    name += '-';
    for (char c : busPath) {
        if (name.size() >= room)
            break;
        const bool safe = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-';
        name += safe ? c : '_';
    }
    return name;
}

// The sockets of dir, by name (the host lists nothing else).
std::vector<std::string> socketsIn(const std::string& dir)
{
    std::vector<std::string> names;
    DIR* folder = ::opendir(dir.c_str());
    if (!folder)
        return names;
    while (const dirent* entry = ::readdir(folder))
        if (isSocket(dir + "/" + entry->d_name))
            names.push_back(entry->d_name);
    ::closedir(folder);
    std::sort(names.begin(), names.end());
    return names;
}

// Answers are small and the host reads each before it asks again, so a send that
// would block means the peer does not play by the rules: drop it.
bool sendNow(int fd, const std::vector<uint8_t>& message)
{
    size_t done = 0;
    while (done < message.size()) {
        const ssize_t n =
            ::send(fd, message.data() + done, message.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0)
            done += static_cast<size_t>(n);
        else if (n < 0 && errno == EINTR)
            continue;
        else
            return false;
    }
    return true;
}

void closeFd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

} // namespace

FrameServer::FrameServer(HidBus& bus, std::string dir, size_t maxConnections)
    : bus_(bus), dir_(std::move(dir)), maxConnections_(maxConnections)
{
}

void FrameServer::setNoticeHandler(std::function<void(const std::string&)> handler)
{
    notice_ = std::move(handler);
}

FrameServer::~FrameServer()
{
    stop();
}

bool FrameServer::start(std::string* error)
{
    auto fail = [&](const std::string& why) {
        if (error)
            *error = why;
        return false;
    };
    if (running_)
        return true;
    struct stat info {};
    if (::stat(dir_.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return fail("no folder " + dir_);
    if (::access(dir_.c_str(), W_OK | X_OK) != 0)
        return fail("cannot create sockets in " + dir_);
    if (dir_.size() + 1 + kMinNameRoom > kMaxSocketPath)
        return fail("folder path too long for sockets: " + dir_);
    if (!claimFolder(error))
        return false;
    wakeFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    spareFd_ = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (wakeFd_ < 0 || spareFd_ < 0) {
        const std::string why = std::strerror(errno);
        closeFd(wakeFd_);
        closeFd(spareFd_);
        closeFd(folderLock_);
        return fail("cannot start serving: " + why);
    }
    acceptPausedUntil_ = {};
    turningAway_ = false;
    reconcile();
    stopping_ = false;
    running_ = true;
    thread_ = std::thread(&FrameServer::run, this);
    return true;
}

// One server per folder: a second one would take the first one's socket names over.
// The lock on the folder keeps out another server like this one, even one starting at
// the same moment; a socket that answers shows any other device living there. Sockets
// that nobody accepts on any more and that look like this server's are an earlier
// run's, and go.
bool FrameServer::claimFolder(std::string* error)
{
    auto fail = [&](const std::string& why) {
        closeFd(folderLock_);
        if (error)
            *error = why;
        return false;
    };
    folderLock_ = ::open(dir_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderLock_ < 0)
        return fail("cannot open " + dir_ + ": " + std::strerror(errno));
    // A file system without locks leaves only the check of the sockets below.
    if (::flock(folderLock_, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK)
        return fail("another frame server is serving " + dir_);
    std::vector<std::string> stale;
    for (const std::string& name : socketsIn(dir_)) {
        const std::string file = dir_ + "/" + name;
        const Peer peer = peerAt(file);
        if (peer == Peer::Answers)
            return fail("a device answers on " + file + "; another server is serving " + dir_);
        if (peer == Peer::Stale && name[0] >= '0' && name[0] <= '9')
            stale.push_back(file);
    }
    for (const std::string& file : stale)
        ::unlink(file.c_str());
    return true;
}

void FrameServer::stop()
{
    if (!thread_.joinable())
        return;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake();
    thread_.join();
    closeAll();
    closeFd(wakeFd_);
    closeFd(spareFd_);
    closeFd(folderLock_);
    {
        std::lock_guard lock(mutex_);
        running_ = false;
    }
    rescanned_.notify_all();
}

void FrameServer::rescan()
{
    std::unique_lock lock(mutex_);
    if (!running_ || stopping_)
        return;
    const uint64_t ticket = ++rescansRequested_;
    wake();
    rescanned_.wait(lock, [&] { return rescansDone_ >= ticket || !running_; });
}

void FrameServer::wake()
{
    const uint64_t one = 1;
    if (wakeFd_ >= 0 && ::write(wakeFd_, &one, sizeof one) < 0) {
        // Already signalled enough to wake the thread (counter full).
    }
}

void FrameServer::run()
{
    auto nextScan = Clock::now() + std::chrono::milliseconds(kRescanMs);
    std::vector<pollfd> polled;
    for (;;) {
        polled.clear();
        polled.push_back({wakeFd_, POLLIN, 0});
        // While accepting is paused the listeners are left out, or poll would report
        // their waiting connections again at once.
        const size_t listenerCount = Clock::now() >= acceptPausedUntil_ ? listeners_.size() : 0;
        for (size_t i = 0; i < listenerCount; ++i)
            polled.push_back({listeners_[i]->fd, POLLIN, 0});
        for (const auto& c : connections_)
            polled.push_back({c->fd, POLLIN, 0});
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(nextScan - Clock::now());
        const int n = ::poll(polled.data(), polled.size(), std::max<int>(0, left.count()));
        if (n < 0 && errno != EINTR) // out of memory for the moment: do not spin on it
            std::this_thread::sleep_for(std::chrono::milliseconds(kRescanMs));

        uint64_t requested = 0;
        if (polled[0].revents & POLLIN) {
            uint64_t count = 0;
            if (::read(wakeFd_, &count, sizeof count) < 0) {
                // Nothing to clear: another wake-up raced this read.
            }
        }
        {
            std::lock_guard lock(mutex_);
            if (stopping_)
                break;
            requested = rescansRequested_;
        }

        // Events first, against the lists as they were polled; new connections join
        // the next round and closed ones leave after it.
        const size_t connectionCount = connections_.size();
        if (n > 0) {
            for (size_t i = 0; i < listenerCount; ++i)
                if (polled[1 + i].revents & POLLIN)
                    acceptOn(*listeners_[i]);
            for (size_t i = 0; i < connectionCount; ++i) {
                Connection& c = *connections_[i];
                if (polled[1 + listenerCount + i].revents && !receive(c))
                    closeFd(c.fd);
            }
            std::erase_if(connections_, [](const auto& c) { return c->fd < 0; });
        }

        if (Clock::now() >= nextScan || requested > rescansDone_) {
            reconcile();
            nextScan = Clock::now() + std::chrono::milliseconds(kRescanMs);
            {
                std::lock_guard lock(mutex_);
                rescansDone_ = requested;
            }
            rescanned_.notify_all();
        }
    }
}

void FrameServer::reconcile()
{
    std::vector<std::string> present;
    for (std::string& path : bus_.enumerate())
        if (std::find(present.begin(), present.end(), path) == present.end())
            present.push_back(std::move(path));

    // A frame that went away: its connections end, so the host's next call fails.
    for (auto& c : connections_)
        if (std::find(present.begin(), present.end(), c->busPath) == present.end())
            closeFd(c->fd);
    std::erase_if(connections_, [](const auto& c) { return c->fd < 0; });

    const size_t last = present.empty() ? 0 : present.size() - 1;
    const size_t width = std::max<size_t>(2, std::to_string(last).size());
    const size_t room = kMaxSocketPath - dir_.size() - 1;
    std::vector<std::unique_ptr<Listener>> wanted;
    for (size_t i = 0; i < present.size(); ++i) {
        auto l = std::make_unique<Listener>();
        l->busPath = present[i];
        l->file = dir_ + "/" + socketName(i, width, present[i], room);
        wanted.push_back(std::move(l));
    }

    // Keep the sockets that stay as they are; remove the rest before creating the new
    // ones, which may take over a removed one's name.
    std::vector<std::unique_ptr<Listener>> kept;
    for (auto& old : listeners_) {
        const auto same = std::find_if(wanted.begin(), wanted.end(), [&](const auto& w) {
            return w->busPath == old->busPath && w->file == old->file;
        });
        if (same != wanted.end()) {
            (*same)->fd = old->fd;
            (*same)->device = old->device;
            (*same)->inode = old->inode;
            old->fd = -1;
        } else {
            closeFd(old->fd);
            removeSocketFile(*old);
        }
    }
    listeners_.clear();
    for (auto& w : wanted) {
        // A name that cannot be bound now is tried again at the next look.
        if (w->fd >= 0 || listenAt(*w))
            listeners_.push_back(std::move(w));
    }
}

// Binds and listens at the listener's file, noting which socket file it made. A socket
// file that nobody accepts on any more gives way; a live one keeps its name.
bool FrameServer::listenAt(Listener& listener)
{
    const std::string& file = listener.file;
    if (isSocket(file) && peerAt(file) == Peer::Stale)
        ::unlink(file.c_str());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const sockaddr_un address = addressOf(file);
    struct stat made {};
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::lstat(file.c_str(), &made) != 0 || ::listen(fd, 16) != 0) {
        ::close(fd);
        return false;
    }
    listener.fd = fd;
    listener.device = made.st_dev;
    listener.inode = made.st_ino;
    return true;
}

// Removes the listener's socket file if it is still the one the listener bound.
void FrameServer::removeSocketFile(const Listener& listener)
{
    struct stat info {};
    if (::lstat(listener.file.c_str(), &info) == 0 && info.st_dev == listener.device &&
        info.st_ino == listener.inode)
        ::unlink(listener.file.c_str());
}

void FrameServer::acceptOn(Listener& listener)
{
    for (;;) {
        const int fd = ::accept4(listener.fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                return; // the queue is empty
            if ((errno == EMFILE || errno == ENFILE) && turnAwayOne(listener))
                continue;
            // Out of descriptors or memory: stop taking connections for a while rather
            // than hear the same at once, again and again.
            acceptPausedUntil_ = Clock::now() + std::chrono::milliseconds(kAcceptPauseMs);
            return;
        }
        if (connections_.size() >= maxConnections_) {
            ::close(fd);
            notice("serving " + std::to_string(maxConnections_) +
                   " connections, the most it takes; closing new ones until a host lets go");
            continue;
        }
        auto c = std::make_unique<Connection>();
        c->busPath = listener.busPath;
        c->fd = fd;
        c->collection = bus_.openCollection(listener.busPath);
        if (!c->collection) {
            ::close(fd);
            continue;
        }
        connections_.push_back(std::move(c));
        turningAway_ = false;
    }
}

// Out of descriptors, a waiting connection is taken in the spare descriptor's place
// and closed at once, so that its host hears "no" instead of waiting for nothing.
// False when there is no spare to give up or nothing was taken.
bool FrameServer::turnAwayOne(Listener& listener)
{
    if (spareFd_ < 0)
        return false;
    closeFd(spareFd_);
    const int fd = ::accept4(listener.fd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd >= 0)
        ::close(fd);
    spareFd_ = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    notice("out of file descriptors; closing new connections until some are closed");
    return fd >= 0;
}

// One line for each run of connections turned away.
void FrameServer::notice(const std::string& text)
{
    if (turningAway_)
        return;
    turningAway_ = true;
    if (notice_)
        notice_(text);
}

bool FrameServer::receive(Connection& connection)
{
    uint8_t chunk[4096];
    for (;;) {
        const ssize_t n = ::recv(connection.fd, chunk, sizeof chunk, MSG_DONTWAIT);
        if (n > 0) {
            connection.input.insert(connection.input.end(), chunk, chunk + n);
            // Serving as it arrives keeps the buffer to one request and a chunk.
            if (!serve(connection))
                return false;
        } else if (n == 0) {
            return false;
        } else if (errno == EINTR) {
            continue;
        } else {
            return errno == EAGAIN || errno == EWOULDBLOCK;
        }
    }
}

// Answers every complete request in the connection's input. False: close it.
bool FrameServer::serve(Connection& connection)
{
    const int fd = connection.fd;
    return frame_requests::answer(
        *connection.collection, connection.input,
        [fd](const std::vector<uint8_t>& reply) { return sendNow(fd, reply); });
}

void FrameServer::closeAll()
{
    for (auto& c : connections_)
        closeFd(c->fd);
    connections_.clear();
    for (auto& l : listeners_) {
        closeFd(l->fd);
        removeSocketFile(*l);
    }
    listeners_.clear();
}

} // namespace sim
