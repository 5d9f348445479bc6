#include "calibration/FindColumnThread.h"

#include "device/Delay.h"
#include "imaging/SearchState.h"

FindColumnThread::FindColumnThread(Device& device, FindColumnState& state, int width, int height,
                                   QObject* parent)
    : WorkerThread(parent), device_(device), state_(state), width_(width), height_(height)
{
    orderHandOvers(this, &FindColumnThread::sendSubData);
}

FindColumnThread::~FindColumnThread()
{
    stopAndWait();
}

bool FindColumnThread::prepare()
{
    state_.target = 0;
    state_.steadyCount = 0;
    state_.bothDone = 0;
    Left_Start = 0;
    Right_Start = 0;
    return true;
}

void FindColumnThread::run()
{
    FindColumnRun::Hooks hooks;
    hooks.report = [this](int code) { emit sendSubData(code); };
    hooks.wait = [this](double ms) {
        // In slices, so that Escape does not wait for the whole pause.
        constexpr double kSliceMs = 50;
        delay::waitUnlessStopped(ms, kSliceMs, stopFlag());
    };
    hooks.stopRequested = [this] { return stopRequested(); };
    FindColumnRun(device_, state_, width_, height_, hooks).run();
}
