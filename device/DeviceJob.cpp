#include "device/DeviceJob.h"

DeviceJob::DeviceJob(std::function<int()> job, QObject* parent)
    : WorkerThread(parent), job_(std::move(job))
{
    orderHandOvers(this, &DeviceJob::sendData);
}

DeviceJob::~DeviceJob()
{
    stopAndWait();
}

bool DeviceJob::startJob()
{
    connect(this, &QThread::finished, this, &QObject::deleteLater, Qt::UniqueConnection);
    return startWorker();
}

void DeviceJob::run()
{
    emit sendData(job_());
}
