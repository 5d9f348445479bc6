#pragma once

#include "maintenance/ReportedLines.h"
#include "ui/maintenance/PathActionPanel.h"

#include <memory>

class BurnFPGAThread;
class Device;

// "FPGA Download:" with the code file's path, browse and Download. The panel owns the
// download worker; its lines go to the log area.
class FpgaDownloadPanel : public PathActionPanel {
    Q_OBJECT
public:
    FpgaDownloadPanel(QWidget* parent, const QRect& designRect, double scale, Device& device);
    ~FpgaDownloadPanel() override;

    // Starts a download of the chosen file (the window ran its guard); false while one
    // runs.
    bool startDownload();
    bool running() const;
    void stopWorkers() override;

public slots:
    void recvData(int code);

protected:
    bool working() const override { return running(); }

private:
    Device& device_;
    ReportedLines lines_;
    std::unique_ptr<BurnFPGAThread> worker_;
};
