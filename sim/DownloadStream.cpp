#include "sim/DownloadStream.h"

namespace sim {

bool DownloadStream::receive(uint8_t flags, const uint8_t* data, size_t length)
{
    const bool first = (flags & kFirst) != 0;
    const bool last = (flags & kLast) != 0;
    if (!first && !last && !receiving_)
        return false;
    const bool starts = first || !receiving_;
    const size_t kept = starts ? 0 : bytes_.size();
    if (length > kCapacity - kept) {
        receiving_ = false;
        return false;
    }
    if (starts)
        bytes_.clear();
    bytes_.insert(bytes_.end(), data, data + length);
    receiving_ = !last;
    if (last) {
        ++completed_;
        stored_ = bytes_;
    }
    return true;
}

void DownloadStream::reset()
{
    bytes_.clear();
    stored_.clear();
    receiving_ = false;
    completed_ = 0;
}

void DownloadStream::interrupt()
{
    receiving_ = false;
    bytes_ = stored_;
}

} // namespace sim
