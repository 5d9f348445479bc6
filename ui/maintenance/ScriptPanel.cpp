#include "ui/maintenance/ScriptPanel.h"

#include "app/TextIds.h"
#include "maintenance/MaintenanceState.h"
#include "maintenance/ScriptRun.h"
#include "ui/widgets/FileChoice.h"

ScriptPanel::ScriptPanel(QWidget* parent, const QRect& designRect, double scale, Device& device)
    : PathActionPanel(parent, designRect, scale, kTextScript, kTextRunScript,
                      QString::fromLatin1(file_choice::kIniFilter)),
      device_(device)
{
}

ScriptPanel::~ScriptPanel()
{
    stopWorkers();
}

bool ScriptPanel::running() const
{
    return worker_ && worker_->isRunning();
}

bool ScriptPanel::startScript()
{
    if (running())
        return false;
    worker_ = std::make_unique<RunScriptThread>(device_, path(), g_useSlave != 0, lines_);
    connect(worker_.get(), &RunScriptThread::sendData, this, &ScriptPanel::recvData,
            Qt::QueuedConnection);
    connect(worker_.get(), &QThread::finished, this, &ScriptPanel::updateButtons,
            Qt::QueuedConnection);
    const bool started = worker_->startWorker();
    updateButtons();
    return started;
}

void ScriptPanel::stopWorkers()
{
    if (worker_)
        worker_->stopWorker();
    updateButtons();
}

void ScriptPanel::recvData(int)
{
    emit logLines(lines_.take());
}
