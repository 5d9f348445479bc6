#pragma once

#include "ui/widgets/EngineeringPanel.h"

// Erase Flash, Read Flash and Write Flash.
class FlashPanel : public EngineeringPanel {
    Q_OBJECT
public:
    FlashPanel(QWidget* parent, const QRect& designRect, double scale);
};
