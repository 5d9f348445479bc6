#pragma once

#include "ui/maintenance/WorkerPathPanel.h"

// "FPGA Download:" with the code file's path, browse and Download. The panel owns the
// download worker; its lines go to the log area.
class FpgaDownloadPanel : public WorkerPathPanel {
    Q_OBJECT
public:
    FpgaDownloadPanel(QWidget* parent, const QRect& designRect, double scale, Device& device);

    // Starts a download of the chosen file (the window ran its guard); false while one
    // runs.
    bool startDownload();
};
