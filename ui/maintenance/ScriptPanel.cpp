#include "ui/maintenance/ScriptPanel.h"

#include "app/TextIds.h"
#include "maintenance/MaintenanceState.h"
#include "maintenance/ScriptRun.h"
#include "ui/widgets/FileChoice.h"

ScriptPanel::ScriptPanel(QWidget* parent, const QRect& designRect, double scale, Device& device)
    : WorkerPathPanel(parent, designRect, scale, kTextScript, kTextRunScript,
                      QString::fromLatin1(file_choice::kIniFilter), device)
{
}

bool ScriptPanel::startScript()
{
    return !running() &&
           start(std::make_unique<RunScriptThread>(device(), path(), g_useSlave != 0, lines()));
}
