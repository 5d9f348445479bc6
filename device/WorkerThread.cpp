#include "device/WorkerThread.h"
#include <memory>

WorkerThread::WorkerThread(QObject* parent) : QThread(parent) {}

WorkerThread::~WorkerThread()
{
    stopAndWait();
}

bool WorkerThread::startWorker()
{
    if (isRunning())
        return false;
    // A run that ended without a join: what it left is read by prepare().
    thread_order::takeOver(this);
    stopFlag_ = 0;
    if (!prepare())
        return false;
    if constexpr (thread_order::checked) {
        // finished() is sent on the worker's thread once the run has returned; Qt reads
        // the worker while it sends it to the receivers connected so far. The hand-over
        // comes after those reads, so it is connected anew as the last one.
        disconnect(endHandOver_);
        endHandOver_ = connect(
            this, &QThread::finished, this, [this] { thread_order::handOver(this); },
            Qt::DirectConnection);
    }
    start(QThread::InheritPriority);
    return true;
}

void whenFinished(WorkerThread& worker, QObject* context, std::function<void()> next)
{
    // The thread may end between the connection and the test below: whichever comes
    // first runs next, the other finds it done.
    auto pending = std::make_shared<std::function<void()>>(std::move(next));
    const void* token = &worker;
    auto once = [pending, token] {
        if (!*pending)
            return;
        thread_order::takeOver(token);
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
    join();
    cleanUp();
}

bool WorkerThread::join(unsigned long timeoutMs)
{
    if (QThread::currentThread() == this || !wait(timeoutMs))
        return false;
    thread_order::takeOver(this);
    return true;
}

void stopThen(WorkerThread& worker, QObject* context, const std::function<void()>& then)
{
    if (!worker.isRunning()) {
        thread_order::takeOver(&worker);
        then();
        return;
    }
    worker.requestStop();
    whenFinished(worker, context, then);
}
