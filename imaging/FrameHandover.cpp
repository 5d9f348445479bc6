#include "imaging/FrameHandover.h"

#include <cstring>

namespace {

void copyInto(FrameCopy& copy, const uint8_t* frame)
{
    if (frame)
        std::memcpy(copy.data(), frame, copy.size());
    else
        copy.fill(0);
}

} // namespace

void FrameHandover::publish(const uint8_t* left, const uint8_t* right)
{
    std::lock_guard lock(mutex_);
    copyInto(left_, left);
    copyInto(right_, right);
    published_ = true;
}

bool FrameHandover::take(FrameCopy& left, FrameCopy& right) const
{
    std::lock_guard lock(mutex_);
    left = left_;
    right = right_;
    return published_;
}
