#include "imaging/LevelingRun.h"

#include "imaging/SearchState.h"

LevelingRun::LevelingRun(Device& device, AdjustScreenState& state, const LevelingConfig& config,
                         const std::atomic<int>& stop, std::function<void(int)> report)
    : guard_(device, state, stop, report), adjusting_(device, config, control_, &state)
{
    control_.stopRequested = [&stop] { return stop != 0; };
    control_.stepGuard = [this] { return guard_(); };
    control_.report = std::move(report);
}

void LevelingRun::clearResults()
{
    clearColumnResults();
    leftQualified = 1;
    rightQualified = 1;
}
