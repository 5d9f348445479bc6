#include "ui/maintenance/WorkerPathPanel.h"

#include "device/DeviceWorker.h"

WorkerPathPanel::WorkerPathPanel(QWidget* parent, const QRect& designRect, double scale, int label,
                                 int action, QString filter, Device& device)
    : PathActionPanel(parent, designRect, scale, label, action, std::move(filter)), device_(device)
{
}

WorkerPathPanel::~WorkerPathPanel()
{
    stopWorkers();
}

bool WorkerPathPanel::running() const
{
    return worker_ && worker_->isRunning();
}

bool WorkerPathPanel::start(std::unique_ptr<DeviceWorker> worker)
{
    worker_ = std::move(worker);
    connect(worker_.get(), &DeviceWorker::sendData, this, &WorkerPathPanel::recvData,
            Qt::QueuedConnection);
    connect(worker_.get(), &QThread::finished, this, &WorkerPathPanel::updateButtons,
            Qt::QueuedConnection);
    const bool started = worker_->startWorker();
    updateButtons();
    return started;
}

void WorkerPathPanel::stopWorkers()
{
    if (worker_)
        worker_->stopWorker();
    updateButtons();
}

void WorkerPathPanel::recvData(int)
{
    emit logLines(lines_.take());
}
