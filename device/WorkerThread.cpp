#include "device/WorkerThread.h"

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
