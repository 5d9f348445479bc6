#include "device/Delay.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <sys/prctl.h>

namespace delay {
namespace {

double initialScale()
{
    const char* env = std::getenv("VIRETO_TIME_SCALE");
    if (!env || !*env)
        return 1.0;
    char* end = nullptr;
    const double v = std::strtod(env, &end);
    return (end && *end == '\0' && v >= 0.0) ? v : 1.0;
}

std::atomic<double>& scaleRef()
{
    static std::atomic<double> scale{initialScale()};
    return scale;
}

// The kernel may defer a timer wake-up by the thread's slack (50 us by default);
// millisecond waits want it as small as possible.
void tightenTimerSlack()
{
    thread_local bool done = false;
    if (!done) {
        ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
        done = true;
    }
}

} // namespace

void waitUnscaled(double ms)
{
    if (ms <= 0.0)
        return;
    tightenTimerSlack();
    timespec deadline{};
    ::clock_gettime(CLOCK_MONOTONIC, &deadline);
    const long long ns = static_cast<long long>(ms * 1e6);
    deadline.tv_sec += static_cast<time_t>(ns / 1000000000LL);
    deadline.tv_nsec += static_cast<long>(ns % 1000000000LL);
    if (deadline.tv_nsec >= 1000000000L) {
        deadline.tv_nsec -= 1000000000L;
        ++deadline.tv_sec;
    }
    while (::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {
    }
}

void wait(double ms)
{
    waitUnscaled(ms * timeScale());
}

bool waitUnlessStopped(double ms, double sliceMs, const std::atomic<int>& stop)
{
    for (double left = ms; left > 0; left -= sliceMs) {
        if (stop)
            return false;
        wait(std::min(left, sliceMs));
    }
    return !stop;
}

void setTimeScale(double scale)
{
    scaleRef().store(scale < 0.0 ? 0.0 : scale);
}

double timeScale()
{
    return scaleRef().load();
}

double nowMs()
{
    timespec t{};
    ::clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

} // namespace delay
