#include "sim/ReplyChannel.h"

#include <algorithm>
#include <cstring>

namespace sim {

void ReplyChannel::answer(uint8_t echo, uint8_t status, std::vector<uint8_t> data, int busyPolls)
{
    echo_ = echo;
    status_ = status;
    data_ = std::move(data);
    busy_ = busyPolls < 0 ? kForever : busyPolls;
    next_ = 0;
    pending_ = true;
}

void ReplyChannel::reset()
{
    pending_ = false;
    data_.clear();
    last_.fill(0);
    last_[0] = kReportId;
    last_[1] = kBusyEcho;
}

size_t ReplyChannel::reportCount() const
{
    return std::max<size_t>(1, (data_.size() + kDataPerReport - 1) / kDataPerReport);
}

void ReplyChannel::fill(size_t index, uint8_t* report) const
{
    std::memset(report, 0, kReportSize);
    report[0] = kReportId;
    report[1] = echo_;
    report[2] = status_;
    const size_t offset = index * kDataPerReport;
    if (offset < data_.size()) {
        const size_t n = std::min(kDataPerReport, data_.size() - offset);
        std::memcpy(report + 3, data_.data() + offset, n);
    }
}

void ReplyChannel::nextReport(uint8_t* report)
{
    if (!pending_) {
        std::memcpy(report, last_.data(), kReportSize);
        return;
    }
    if (busy_ != 0) {
        if (busy_ > 0)
            --busy_;
        std::memset(report, 0, kReportSize);
        report[0] = kReportId;
        report[1] = kBusyEcho;
        return;
    }
    fill(next_, report);
    if (++next_ == reportCount()) {
        pending_ = false;
        std::memcpy(last_.data(), report, kReportSize);
    }
}

} // namespace sim
