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
    handOverAfterEveryReceiver();
    start(QThread::InheritPriority);
    return true;
}

void WorkerThread::handOverAfterEveryReceiver()
{
    // finished() is sent on the worker's thread once the run has returned, and Qt reads
    // the worker while it reaches each receiver. The hand-over comes after those reads:
    // connected anew after every new receiver. A finished() already being sent reaches
    // neither a receiver connected meanwhile nor one disconnected meanwhile, and
    // isRunning() is false already while it is sent, so the earlier connections stay
    // (a few per run, in checker builds only). Connected by name: a functor connected
    // while the thread runs would itself be data the worker's thread reads without an
    // ordering the checker sees.
    if constexpr (thread_order::checked)
        connect(this, SIGNAL(finished()), this, SLOT(handOverEnd()), Qt::DirectConnection);
}

void WorkerThread::handOverEnd()
{
    thread_order::handOver(this);
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
    worker.handOverAfterEveryReceiver();
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
