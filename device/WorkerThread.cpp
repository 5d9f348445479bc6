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

void whenFinished(WorkerThread& worker, QObject* context, std::function<void()> next)
{
    // The thread may end between the connection and the test below: whichever comes
    // first runs next, the other finds it done.
    auto pending = std::make_shared<std::function<void()>>(std::move(next));
    auto once = [pending] {
        if (!*pending)
            return;
        auto run = std::move(*pending);
        *pending = nullptr;
        run();
    };
    QObject::connect(&worker, &QThread::finished, context, once, Qt::SingleShotConnection);
    if (!worker.isRunning())
        QMetaObject::invokeMethod(context, once, Qt::QueuedConnection);
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
    whenFinished(worker, context, then);
}
