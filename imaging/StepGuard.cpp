#include "imaging/StepGuard.h"

#include "device/DeviceState.h"
#include "device/ModeSwitch.h"
#include "imaging/AdjustScreenCodes.h"

StepGuard::StepGuard(Device& device, AdjustScreenState& state, const std::atomic<int>& stopFlag,
                     std::function<void(int)> report)
    : device_(device), state_(state), stopFlag_(stopFlag), report_(std::move(report))
{
}

bool StepGuard::operator()()
{
    if (stopFlag_)
        return false;
    if (g_bDevExist && g_isDeviceCommunicate) {
        if (state_.saveRequest) {
            state_.saveResult = SwitchMode(device_, SaveMode);
            state_.saveRequest = 0;
        }
        return true;
    }
    report_(kAdjustDeviceLost);
    return false;
}

bool GuardedSteps::next()
{
    if (halted_)
        return false;
    if (!control_.stepGuard())
        halted_ = true;
    return !halted_;
}

ReadControl GuardedSteps::forRead()
{
    ReadControl read;
    read.stopRequested = [this] { return halted_ || control_.stopRequested(); };
    read.stepGuard = [this] { return next(); };
    read.report = [this](int code) {
        if (!halted_)
            control_.report(code);
        halted_ = true;
    };
    return read;
}
