#include "ui/maintenance/FirmwarePanel.h"

#include "app/TextIds.h"

FirmwarePanel::FirmwarePanel(QWidget* parent, const QRect& designRect, double scale)
    : EngineeringPanel(parent, designRect, scale)
{
    addLabel(kTextImage, QRect(0, 2, 80, 36));
    addField(QRect(80, 2, 300, 36), false);
    addUnavailableButton(kTextUpdate, QRect(396, 0, 206, 40));
}
