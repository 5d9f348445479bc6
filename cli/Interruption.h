#pragma once

#include <atomic>

// SIGINT and SIGTERM stop vireto-cli at the next safe point instead of killing it: the
// operation under way returns (a flash record being written is finished first), the
// frame goes back to work mode, and the process exits with 128 + the signal.
namespace interruption {

// Installs the handlers; a second signal is not needed and changes nothing.
void install();
// True once SIGINT or SIGTERM arrived.
bool requested();
// The signal that arrived (0: none), for loops that watch a flag.
const std::atomic<int>& flag();
// 130 after SIGINT, 143 after SIGTERM.
int exitCode();
// For the tests: as if the signal had arrived (0 clears it).
void simulate(int signal);

} // namespace interruption
