#pragma once

#include "ui/widgets/EngineeringPanel.h"

// "Script:" with the script file's path and the Run Script button.
class ScriptPanel : public EngineeringPanel {
    Q_OBJECT
public:
    ScriptPanel(QWidget* parent, const QRect& designRect, double scale);
};
