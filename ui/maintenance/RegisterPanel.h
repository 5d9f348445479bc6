#pragma once

#include "ui/widgets/EngineeringPanel.h"

// The register access fields (address, value, Sensor and Slave boxes) with Write and
// Read, and GetStatus, which asks the frame for its status and error code.
class RegisterPanel : public EngineeringPanel {
    Q_OBJECT
public:
    RegisterPanel(QWidget* parent, const QRect& designRect, double scale);

signals:
    void getStatusRequested();
};
