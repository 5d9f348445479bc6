#pragma once

#include "cli/Interruption.h"
#include "device/WorkerDriver.h"

#include <cstdio>

// A worker driven by vireto-cli: as runWorker, and SIGINT or SIGTERM asks it to stop at
// its next safe point.
template <typename Worker, typename Sender>
bool runCliWorker(Worker& worker, void (Sender::*signal)(int), const std::function<bool()>& start,
                  const std::function<bool(int)>& onCode)
{
    return runWorker(worker, signal, start, onCode, &interruption::requested);
}

// A worker that reports in log-area lines (a register script, an FPGA download): runs
// it, prints each line on stdout as it comes, and returns the last code it sent.
template <typename Worker, typename Lines>
int runReportingWorker(Worker& worker, Lines& lines)
{
    int last = -1;
    runCliWorker(
        worker, &Worker::sendData, [&] { return worker.startWorker(); },
        [&](int code) {
            last = code;
            for (const QString& line : lines.take())
                std::printf("%s\n", qPrintable(line));
            return true;
        });
    return last;
}
