#include "ui/maintenance/FpgaDownloadPanel.h"

#include "app/TextIds.h"

FpgaDownloadPanel::FpgaDownloadPanel(QWidget* parent, const QRect& designRect, double scale)
    : EngineeringPanel(parent, designRect, scale)
{
    addLabel(kTextFpgaDownload, QRect(0, 2, 170, 36));
    addField(QRect(176, 2, 300, 36), false);
    addUnavailableButton(kTextDownload, QRect(492, 0, 120, 40));
}
