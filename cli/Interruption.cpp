#include "cli/Interruption.h"

#include "app/TerminationSignals.h"

#include <atomic>
#include <unistd.h>

namespace interruption {
namespace {

std::atomic<int> received{0};

void onSignal(int signal)
{
    int none = 0;
    if (!received.compare_exchange_strong(none, signal))
        return;
    // Only async-signal-safe calls in here.
    static const char kNote[] = "interrupted: stopping at the next safe point, then the frame "
                                "goes back to work mode\n";
    [[maybe_unused]] const ssize_t n = ::write(STDERR_FILENO, kNote, sizeof kNote - 1);
}

} // namespace

void install()
{
    catchTerminationSignals(onSignal);
}

bool requested()
{
    return received.load() != 0;
}

const std::atomic<int>& flag()
{
    return received;
}

int exitCode()
{
    return 128 + received.load();
}

void simulate(int signal)
{
    received.store(signal);
}

} // namespace interruption
