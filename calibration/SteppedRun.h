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

    // The window's step back under mutex(): while the index k is above 0 and below
    // count(), undo(k) drops what the run holds of target k and the index moves back to
    // k - 1. False (nothing changed) otherwise.
    template <typename Count, typename Undo>
    bool stepIndexBack(std::atomic<int>& index, Count count, Undo undo)
    {
        std::lock_guard lock(mutex_);
        const int k = index;
        if (k <= 0 || k >= count())
            return false;
        undo(k);
        index = k - 1;
        countStepBack();
        return true;
    }

private:
    std::mutex mutex_;
    std::atomic<uint64_t> stepBacks_{0};
};
