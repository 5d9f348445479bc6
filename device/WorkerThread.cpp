#include "device/WorkerThread.h"

#include <memory>

WorkerThread::~WorkerThread()
{
    stopAndWait();
}

bool WorkerThread::startWorker()
{
    if (isRunning())
        return false;
    stopFlag_ = 0;
    if (!prepare())
        return false;
    start(QThread::InheritPriority);
    return true;
}

void WorkerThread::stopAndWait()
{
    requestStop();
    if (QThread::currentThread() == this)
        return;
    wait();
    cleanUp();
}

void stopThen(WorkerThread& worker, QObject* context, const std::function<void()>& then)
{
    if (!worker.isRunning()) {
        then();
        return;
    }
    worker.requestStop();
    // Runs then once: on the worker's end, or now when it ended before the connection.
    auto* once = new QObject(context);
    auto fired = std::make_shared<bool>(false);
    auto fire = [once, fired, then] {
        if (*fired)
            return;
        *fired = true;
        once->deleteLater();
        then();
    };
    QObject::connect(&worker, &QThread::finished, once, fire);
    if (!worker.isRunning())
        fire();
}
