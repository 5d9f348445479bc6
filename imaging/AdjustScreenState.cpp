#include "imaging/AdjustScreenState.h"

#include "device/Delay.h"

namespace {

constexpr int kSaveWaitSteps = 31;
constexpr double kSaveWaitStepMs = 100;

} // namespace

int requestSave(AdjustScreenState& state)
{
    state.saveRequest = 1;
    for (int i = 0; i < kSaveWaitSteps && state.saveRequest; ++i)
        delay::wait(kSaveWaitStepMs);
    if (state.saveRequest)
        return 0;
    return state.saveResult.exchange(0);
}
