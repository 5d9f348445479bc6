#pragma once

// Every wait of a test for another thread, a worker or a process is bounded: a broken
// test fails with a message instead of hanging the suite. The bound is far above what
// any of these waits takes, also in sanitizer builds, and below CTest's timeout of a
// test, so the test's own message is what a hang shows.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace bounded {

constexpr int kGiveUpMs = 30000;
constexpr std::chrono::milliseconds kGiveUp{kGiveUpMs};

// Polls cond until it holds; false when the bound passed first.
inline bool eventually(const std::function<bool()>& cond, std::chrono::milliseconds bound = kGiveUp,
                       std::chrono::milliseconds step = std::chrono::milliseconds(2))
{
    const auto giveUp = std::chrono::steady_clock::now() + bound;
    while (!cond()) {
        if (std::chrono::steady_clock::now() > giveUp)
            return false;
        std::this_thread::sleep_for(step);
    }
    return true;
}

// Waits on cv (lock held) until pred holds; false when the bound passed first.
template <class Predicate>
bool waitOn(std::condition_variable& cv, std::unique_lock<std::mutex>& lock, Predicate pred,
            std::chrono::milliseconds bound = kGiveUp)
{
    return cv.wait_for(lock, bound, pred);
}

} // namespace bounded
