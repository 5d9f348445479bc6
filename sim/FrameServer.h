#pragma once

#include "device/HidBus.h"
#include "sim/FrameRequests.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace sim {

// The device side of the frame link: publishes every collection of a HidBus as one
// listening Unix socket in a folder and answers the host's requests on it.
//
// Socket names start with the collection's position in the bus's enumeration
// ("00-...", "01-..."), so the host, which lists them in byte order, sees the bus's
// order. The bus is looked at again every kRescanMs (or at once with rescan()): a
// collection that is gone loses its socket and every connection to it, so the host's
// next call fails; one that comes back gets its socket again.
//
// One thread serves all sockets. It calls the bus and its collections, so they must
// bear calls from it while other threads plug and unplug frames.
//
// One server per folder: start() refuses a folder that another server holds or where
// any socket answers; sockets nobody answers on any more are an earlier run's and are
// replaced. The server removes only socket files it created itself.
//
// It serves at most maxConnections connections at once; more are closed as soon as
// they arrive. When the process runs out of file descriptors, new connections are
// closed at once too (or, failing that, left waiting for kAcceptPauseMs at a time),
// while the connections it has are served on. Either gives one notice per run of
// connections turned away.
class FrameServer {
public:
    static constexpr int kRescanMs = 50;
    // The longest report a request may carry or ask for.
    static constexpr size_t kMaxReport = frame_requests::kMaxReport;
    static constexpr size_t kMaxConnections = 256;
    static constexpr int kAcceptPauseMs = 100;

    FrameServer(HidBus& bus, std::string dir, size_t maxConnections = kMaxConnections);
    // Stops serving and removes the sockets.
    ~FrameServer();
    FrameServer(const FrameServer&) = delete;
    FrameServer& operator=(const FrameServer&) = delete;

    // Called on the server's thread with a one-line notice (no newline) when it starts
    // turning connections away. Set it before start().
    void setNoticeHandler(std::function<void(const std::string&)> handler);

    // Publishes the collections present now and starts serving. False, with a one-line
    // reason in error when given, when the folder cannot hold the sockets or is served
    // already.
    bool start(std::string* error = nullptr);
    // Closes every connection and removes the sockets. Serving can be started again.
    void stop();
    // Compares the sockets with the bus now and returns when they match it. Call it
    // right after plugging or unplugging a frame; not from a call of the bus itself.
    void rescan();

    bool running() const { return running_; }
    const std::string& dir() const { return dir_; }

private:
    struct Listener;
    struct Connection;

    bool claimFolder(std::string* error);
    void run();
    void reconcile();
    static bool listenAt(Listener& listener);
    static void removeSocketFile(const Listener& listener);
    void acceptOn(Listener& listener);
    bool turnAwayOne(Listener& listener);
    void notice(const std::string& text);
    bool receive(Connection& connection);
    bool serve(Connection& connection);
    void closeAll();
    void wake();

    using Clock = std::chrono::steady_clock;

    HidBus& bus_;
    std::string dir_;
    size_t maxConnections_;
    std::function<void(const std::string&)> notice_;
    std::vector<std::unique_ptr<Listener>> listeners_;
    std::vector<std::unique_ptr<Connection>> connections_;

    std::thread thread_;
    std::atomic<bool> running_{false};
    int wakeFd_ = -1;
    int folderLock_ = -1; // the folder, open and locked while serving
    int spareFd_ = -1;    // given up to turn a connection away when out of descriptors
    Clock::time_point acceptPausedUntil_{};
    bool turningAway_ = false; // noticed since the last connection taken
    // Rescan requests from other threads and the server thread's progress on them.
    std::mutex mutex_;
    std::condition_variable rescanned_;
    uint64_t rescansRequested_ = 0;
    uint64_t rescansDone_ = 0;
    bool stopping_ = false;
};

} // namespace sim
