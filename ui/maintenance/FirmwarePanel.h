#pragma once

#include "ui/widgets/EngineeringPanel.h"

// "Image:" with the firmware image's path and the Update button.
class FirmwarePanel : public EngineeringPanel {
    Q_OBJECT
public:
    FirmwarePanel(QWidget* parent, const QRect& designRect, double scale);
};
