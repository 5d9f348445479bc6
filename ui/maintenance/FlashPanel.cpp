#include "ui/maintenance/FlashPanel.h"

#include "app/TextIds.h"

FlashPanel::FlashPanel(QWidget* parent, const QRect& designRect, double scale)
    : EngineeringPanel(parent, designRect, scale)
{
    addUnavailableButton(kTextEraseFlash, QRect(0, 0, 190, 40));
    addUnavailableButton(kTextReadFlash, QRect(206, 0, 190, 40));
    addUnavailableButton(kTextWriteFlash, QRect(412, 0, 190, 40));
}
