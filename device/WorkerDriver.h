#pragma once

#include "device/WorkerThread.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QObject>
#include <QTimer>

#include <functional>

// Drives a worker without a window, for the command-line tool and the tests: starts
// it with start() (which returns false when the worker refused), runs this thread's
// event loop while the worker sends its codes queued, as a window would receive them,
// and returns once the thread has ended and every code has been delivered. onCode
// returns false to ask the worker to stop; so does stopWhen, asked every few
// milliseconds (a signal to the process). Returns false when the worker never started.
template <typename Worker, typename Sender>
bool runWorker(Worker& worker, void (Sender::*signal)(int), const std::function<bool()>& start,
               const std::function<bool(int)>& onCode, const std::function<bool()>& stopWhen = {})
{
    QEventLoop loop;
    QObject receiver;
    QTimer watch;
    if (stopWhen) {
        QObject::connect(&watch, &QTimer::timeout, &receiver, [&] {
            if (stopWhen())
                worker.requestStop();
        });
        watch.start(20);
    }
    QObject::connect(
        &worker, signal, &receiver,
        [&](int code) {
            if (!onCode(code))
                worker.requestStop();
        },
        Qt::QueuedConnection);
    QObject::connect(&worker, &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    if (!start())
        return false;
    loop.exec();
    worker.join();
    // Codes sent just before the end are still queued: deliver them.
    QCoreApplication::sendPostedEvents(&receiver);
    return true;
}
