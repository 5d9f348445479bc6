#include "ui/maintenance/FlashPanel.h"

#include "app/TextIds.h"
#include "ui/widgets/Button.h"

namespace {

const char* operationName(FlashPanel::Operation operation)
{
    switch (operation) {
    case FlashPanel::Operation::Erase:
        return "Erase Flash";
    case FlashPanel::Operation::Read:
        return "Read Flash";
    case FlashPanel::Operation::Write:
        break;
    }
    return "Write Flash";
}

} // namespace

FlashPanel::FlashPanel(QWidget* parent, const QRect& designRect, double scale, Device& device)
    : EngineeringPanel(parent, designRect, scale), device_(device)
{
    Button* erase = addButton(kTextEraseFlash, QRect(0, 0, 190, 40));
    connect(erase, &Button::clicked, this, &FlashPanel::eraseRequested);
    Button* read = addButton(kTextReadFlash, QRect(206, 0, 190, 40));
    connect(read, &Button::clicked, this, &FlashPanel::readRequested);
    Button* write = addButton(kTextWriteFlash, QRect(412, 0, 190, 40));
    connect(write, &Button::clicked, this, &FlashPanel::writeRequested);
}

FlashPanel::~FlashPanel()
{
    stopWorkers();
}

QString FlashPanel::runningText(Operation operation, uint32_t sectors)
{
    return QStringLiteral("%1 ...... %2%")
        .arg(QLatin1String(operationName(operation)))
        .arg(sectors * 100 / flash_tools::kSectors);
}

QString FlashPanel::endText(Operation operation, const flash_tools::Outcome& outcome)
{
    const QLatin1String name(operationName(operation));
    if (outcome.ok)
        return QStringLiteral("%1 finish......").arg(name);
    return QStringLiteral("%1 failed: %2").arg(name, outcome.failure);
}

bool FlashPanel::running() const
{
    return worker_ && worker_->isRunning();
}

bool FlashPanel::start(Operation operation, const QString& path, const QByteArray& image,
                       Side eraseSide)
{
    if (running())
        return false;
    worker_ = std::make_unique<FlashToolThread>(device_, operation, path, image, eraseSide);
    connect(worker_.get(), &FlashToolThread::sendData, this, &FlashPanel::recvData,
            Qt::QueuedConnection);
    if (!worker_->startWorker())
        return false;
    emit statusMessage(runningText(operation, 0));
    updateButtons();
    return true;
}

void FlashPanel::stopWorkers()
{
    // Flash left half-erased or half-written is worse than a short wait.
    if (worker_)
        worker_->join();
}

void FlashPanel::recvData(int code)
{
    if (!worker_)
        return;
    const Operation operation = worker_->operation();
    if (code == FlashToolThread::kFlashProgress) {
        // Progress that arrives after the end is not shown over the outcome.
        if (worker_->isRunning())
            emit statusMessage(runningText(operation, worker_->sectorsDone()));
        return;
    }
    worker_->join();
    const flash_tools::Outcome outcome = worker_->outcome();
    const bool workMode = worker_->workModeRestored();
    updateButtons();
    emit statusMessage(endText(operation, outcome));
    emit operationFinished(operation, outcome.ok, workMode);
}
