#include "ui/maintenance/ScriptPanel.h"

#include "app/TextIds.h"

ScriptPanel::ScriptPanel(QWidget* parent, const QRect& designRect, double scale)
    : EngineeringPanel(parent, designRect, scale)
{
    addLabel(kTextScript, QRect(0, 2, 170, 36));
    addField(QRect(176, 2, 300, 36), false);
    addUnavailableButton(kTextRunScript, QRect(492, 0, 120, 40));
}
