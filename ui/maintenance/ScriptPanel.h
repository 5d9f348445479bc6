#pragma once

#include "maintenance/ReportedLines.h"
#include "ui/maintenance/PathActionPanel.h"

#include <memory>

class Device;
class RunScriptThread;

// "Script:" with the script file's path, browse and Run Script. The panel owns the
// script worker; its lines go to the log area.
class ScriptPanel : public PathActionPanel {
    Q_OBJECT
public:
    ScriptPanel(QWidget* parent, const QRect& designRect, double scale, Device& device);
    ~ScriptPanel() override;

    // Runs the chosen script (the window ran its guard); false while one runs.
    bool startScript();
    bool running() const;
    void stopWorkers() override;

public slots:
    void recvData(int code);

protected:
    bool working() const override { return running(); }

private:
    Device& device_;
    ReportedLines lines_;
    std::unique_ptr<RunScriptThread> worker_;
};
