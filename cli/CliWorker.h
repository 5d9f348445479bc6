#pragma once

#include "cli/Interruption.h"
#include "device/WorkerDriver.h"

// A worker driven by vireto-cli: as runWorker, and SIGINT or SIGTERM asks it to stop at
// its next safe point.
template <typename Worker, typename Sender>
bool runCliWorker(Worker& worker, void (Sender::*signal)(int), const std::function<bool()>& start,
                  const std::function<bool(int)>& onCode)
{
    return runWorker(worker, signal, start, onCode, &interruption::requested);
}
