#include "maintenance/FirmwareUpdateRunner.h"

#include "device/DeviceJob.h"
#include "device/PresenceMonitor.h"
#include "maintenance/FirmwareDownload.h"

#include <algorithm>

using Next = FirmwareUpdateSession::Next;

FirmwareUpdateRunner::FirmwareUpdateRunner(Device& device, FirmwareUpdateView& view,
                                           QObject* parent)
    : QObject(parent), device_(device), view_(view), session_(device, *this)
{
    orderHandOvers(this, &FirmwareUpdateRunner::viewCalled);
    connect(this, &FirmwareUpdateRunner::viewCalled, this, &FirmwareUpdateRunner::callView,
            Qt::QueuedConnection);
}

FirmwareUpdateRunner::~FirmwareUpdateRunner()
{
    // A step still running uses the session: it ends before the session goes.
    for (DeviceJob* job : findChildren<DeviceJob*>())
        delete job;
    stop();
}

bool FirmwareUpdateRunner::busy() const
{
    return stepRunning_ || (worker_ && worker_->isRunning()) || updatePending;
}

void FirmwareUpdateRunner::stop()
{
    if (worker_)
        worker_->stop();
}

bool FirmwareUpdateRunner::start(const QString& chosenPath)
{
    if (busy())
        return false;
    chosenPath_ = chosenPath;
    progressShown_ = 0;
    g_UpdateProgress = 0;
    bootLoaderWaiting_ = false;
    runStep(Step::Prepare);
    return true;
}

void FirmwareUpdateRunner::bootLoaderFound()
{
    if (stepRunning_) {
        bootLoaderWaiting_ = true;
        return;
    }
    if (worker_ && worker_->isRunning())
        return;
    runStep(Step::BootLoader);
}

void FirmwareUpdateRunner::runStep(Step step)
{
    stepRunning_ = true;
    FirmwareUpdateSession* session = &session_;
    const QString path = chosenPath_;
    auto* job = new DeviceJob(
        [session, step, path] {
            switch (step) {
            case Step::Prepare:
                return static_cast<int>(session->prepare(path));
            case Step::BootLoader:
                return static_cast<int>(session->bootLoaderFound());
            case Step::Finish:
                break;
            }
            return static_cast<int>(session->workerCode(kFwDone));
        },
        this);
    connect(job, &DeviceJob::sendData, this, [this, step](int next) { stepDone(step, next); });
    job->startJob();
}

void FirmwareUpdateRunner::stepDone(Step step, int next)
{
    stepRunning_ = false;
    if (step == Step::Finish && worker_)
        worker_->stop(); // it sent its last code
    if (static_cast<Next>(next) == Next::StartWorker) {
        startWorker();
    } else if (static_cast<Next>(next) == Next::WaitBootLoader && bootLoaderWaiting_) {
        bootLoaderWaiting_ = false;
        runStep(Step::BootLoader);
    }
    emit stateChanged();
}

void FirmwareUpdateRunner::startWorker()
{
    worker_ =
        std::make_unique<CFirmwareUpdateThread>(device_, session_.readPath(), session_.header());
    connect(worker_.get(), &CFirmwareUpdateThread::sendData, this,
            &FirmwareUpdateRunner::workerCode, Qt::QueuedConnection);
    connect(worker_.get(), &QThread::finished, this, &FirmwareUpdateRunner::stateChanged,
            Qt::QueuedConnection);
    worker_->startUpdate();
}

void FirmwareUpdateRunner::workerCode(int code)
{
    // The finish jumps back into the application: a device step.
    if (code == kFwDone)
        runStep(Step::Finish);
    else
        session_.workerCode(code);
}

void FirmwareUpdateRunner::callView(int call, int value)
{
    switch (call) {
    case ShowText:
        view_.showText(value);
        break;
    case ShowProgress:
        progressShown_ = std::max(progressShown_, value);
        view_.showProgress(progressShown_);
        break;
    case HideProgress:
        view_.hideProgress();
        break;
    case SetToolsEnabled:
        view_.setToolsEnabled(value != 0);
        break;
    }
}

void FirmwareUpdateRunner::showText(int textIndex)
{
    emit viewCalled(ShowText, textIndex);
}

void FirmwareUpdateRunner::showProgress(int value)
{
    emit viewCalled(ShowProgress, value);
}

void FirmwareUpdateRunner::hideProgress()
{
    emit viewCalled(HideProgress, 0);
}

void FirmwareUpdateRunner::setToolsEnabled(bool enabled)
{
    emit viewCalled(SetToolsEnabled, enabled ? 1 : 0);
}
