#pragma once

#include "ui/widgets/EngineeringPanel.h"

// "FPGA Download:" with the file's path and the Download button.
class FpgaDownloadPanel : public EngineeringPanel {
    Q_OBJECT
public:
    FpgaDownloadPanel(QWidget* parent, const QRect& designRect, double scale);
};
