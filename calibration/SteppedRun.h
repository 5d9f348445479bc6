#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

// What a run that its window can step back shares with its worker: the lock that
// serialises a step back with the worker's evaluation, and the count of step-backs,
// by which the worker drops a report taken while the index moved under it.
class SteppedRun {
public:
    std::mutex& mutex() { return mutex_; }
    uint64_t stepBacks() const { return stepBacks_; }

protected:
    // Under mutex(), once the index has moved back.
    void countStepBack() { ++stepBacks_; }

private:
    std::mutex mutex_;
    std::atomic<uint64_t> stepBacks_{0};
};
