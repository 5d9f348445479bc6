#pragma once

#include "ui/maintenance/WorkerPathPanel.h"

// "Script:" with the script file's path, browse and Run Script. The panel owns the
// script worker; its lines go to the log area.
class ScriptPanel : public WorkerPathPanel {
    Q_OBJECT
public:
    ScriptPanel(QWidget* parent, const QRect& designRect, double scale, Device& device);

    // Runs the chosen script (the window ran its guard); false while one runs.
    bool startScript();
};
