#include "sim/FaultPlan.h"

#include <algorithm>

namespace sim {

bool FaultPlan::take(int& remaining)
{
    if (remaining == kAlways)
        return true;
    if (remaining <= 0)
        return false;
    --remaining;
    return true;
}

void FaultPlan::setBusyPolls(int polls)
{
    busyPolls_ = std::max(polls, 0);
}

void FaultPlan::setBusyPolls(uint8_t code, int polls)
{
    busyOverride_[index(code)] = std::max(polls, 0);
}

void FaultPlan::clearBusyPolls(uint8_t code)
{
    busyOverride_[index(code)].reset();
}

void FaultPlan::neverAnswer(uint8_t code, bool never)
{
    never_[index(code)] = never;
}

int FaultPlan::busyPolls(uint8_t code) const
{
    if (never_[index(code)])
        return kNeverAnswers;
    return busyOverride_[index(code)].value_or(busyPolls_);
}

void FaultPlan::answerWithStatus(uint8_t code, uint8_t status, int times, int after)
{
    statusRules_[index(code)] = {status, times < 0 ? kAlways : times, std::max(after, 0)};
}

std::optional<uint8_t> FaultPlan::takeStatusOverride(uint8_t code)
{
    StatusRule& rule = statusRules_[index(code)];
    if (rule.remaining != 0 && rule.skip > 0) {
        --rule.skip;
        return std::nullopt;
    }
    if (!take(rule.remaining))
        return std::nullopt;
    return rule.status;
}

void FaultPlan::failFlashWrites(FlashWriteFault fault, int times)
{
    flashFault_ = fault;
    flashWriteFaults_ = fault == FlashWriteFault::None ? 0 : (times < 0 ? kAlways : times);
}

bool FaultPlan::takeUnplugTrigger(uint8_t code)
{
    if (unplugRule_.remaining <= 0 || index(code) != index(unplugRule_.code))
        return false;
    return --unplugRule_.remaining == 0;
}

FlashWriteFault FaultPlan::flashWriteFault() const
{
    return flashWriteFaults_ == 0 ? FlashWriteFault::None : flashFault_;
}

} // namespace sim
