#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

// The state of a key calibration, shared by its worker and its window: the key index
// (the current target; the target count means compute, one more means store), the
// progress and the steady counter are atomics; stepping back is serialised with the
// worker's evaluation by mutex().
class KeyCalibrationState {
public:
    std::atomic<int> index{0};
    std::atomic<int> targetCount{0};
    std::atomic<int> progress{0};
    std::atomic<int> steadyCount{0};

    std::mutex& mutex() { return mutex_; }
    void reset(int targets);
    // The window's step back: while a target is being collected and the index is above 0,
    // moves it back one target. False otherwise.
    bool stepBack();
    uint64_t stepBacks() const { return stepBacks_; }

private:
    std::mutex mutex_;
    std::atomic<uint64_t> stepBacks_{0};
};

KeyCalibrationState& keyCalibrationState();
