#pragma once

#include <atomic>

// Waits of the device link. Every wait of the protocol, the monitor and the device
// workflows goes through here, so one knob scales them all:
//
//   VIRETO_TIME_SCALE (environment, read once) or delay::setTimeScale()
//     1.0 = the real timings (default); 0.01 = a hundredth of them; 0 = no waiting.
//
// Tests shorten the waits with it; at least one suite runs with the real timings.
namespace delay {

// Sleeps ms milliseconds (scaled) against an absolute CLOCK_MONOTONIC deadline.
// Accurate to well under a millisecond and does not burn a core.
void wait(double ms);
// A wait that is not scaled (measurements of the delay itself).
void waitUnscaled(double ms);
// A worker's pause that a stop need not sit out: waits ms in slices of sliceMs and
// ends at the first slice boundary where stop is set. False when stop is set.
bool waitUnlessStopped(double ms, double sliceMs, const std::atomic<int>& stop);

void setTimeScale(double scale);
double timeScale();

// Monotonic milliseconds since an arbitrary start.
double nowMs();

} // namespace delay
