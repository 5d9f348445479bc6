#pragma once

#include "ui/widgets/EngineeringPanel.h"

// The raw preview of both cameras: Preview / Close Preview, Compress Image and the
// picture area.
class PreviewPanel : public EngineeringPanel {
    Q_OBJECT
public:
    PreviewPanel(QWidget* parent, const QRect& designRect, double scale);
};
