#include "ui/maintenance/FpgaDownloadPanel.h"

#include "app/TextIds.h"
#include "maintenance/FpgaDownload.h"
#include "ui/widgets/FileChoice.h"

FpgaDownloadPanel::FpgaDownloadPanel(QWidget* parent, const QRect& designRect, double scale,
                                     Device& device)
    : PathActionPanel(parent, designRect, scale, kTextFpgaDownload, kTextDownload,
                      QString::fromLatin1(file_choice::kBinFilter)),
      device_(device)
{
}

FpgaDownloadPanel::~FpgaDownloadPanel()
{
    stopWorkers();
}

bool FpgaDownloadPanel::running() const
{
    return worker_ && worker_->isRunning();
}

bool FpgaDownloadPanel::startDownload()
{
    if (running())
        return false;
    worker_ = std::make_unique<BurnFPGAThread>(device_, path(), lines_);
    connect(worker_.get(), &BurnFPGAThread::sendData, this, &FpgaDownloadPanel::recvData,
            Qt::QueuedConnection);
    connect(worker_.get(), &QThread::finished, this, &FpgaDownloadPanel::updateButtons,
            Qt::QueuedConnection);
    const bool started = worker_->startWorker();
    updateButtons();
    return started;
}

void FpgaDownloadPanel::stopWorkers()
{
    if (worker_)
        worker_->stopWorker();
    updateButtons();
}

void FpgaDownloadPanel::recvData(int)
{
    emit logLines(lines_.take());
}
