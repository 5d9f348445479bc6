#pragma once

#include "imaging/BackgroundFrames.h"

#include <mutex>

// The last whole frame of both cameras, handed from an imaging worker to its window:
// the worker publishes a copy of pFrameYA / pFrameYB after each whole frame (before it
// reports it) and goes on reading into the buffers; the window paints from a copy it
// takes, so it never reads a buffer while the worker writes it.
class FrameHandover {
public:
    // Copies both buffers (a missing one as zeros).
    void publish(const uint8_t* left, const uint8_t* right);
    // The last published frame; false (and zeros) before the first.
    bool take(FrameCopy& left, FrameCopy& right) const;

private:
    mutable std::mutex mutex_;
    FrameCopy left_{};
    FrameCopy right_{};
    bool published_ = false;
};
