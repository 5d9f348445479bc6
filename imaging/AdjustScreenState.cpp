#include "imaging/AdjustScreenState.h"

#include "device/Delay.h"

SaveWait::SaveWait(AdjustScreenState& state) : state_(state)
{
    state_.saveRequest = 1;
}

int SaveWait::step()
{
    if (!state_.saveRequest)
        return state_.saveResult.exchange(0);
    return ++steps_ < kSteps ? kWaiting : 0;
}

int requestSave(AdjustScreenState& state)
{
    SaveWait wait(state);
    int outcome = SaveWait::kWaiting;
    while (outcome == SaveWait::kWaiting) {
        delay::wait(SaveWait::kStepMs);
        outcome = wait.step();
    }
    return outcome;
}
