#include "ui/maintenance/FirmwarePanel.h"

#include "app/TextIds.h"
#include "ui/widgets/Button.h"

#include <QLineEdit>

FirmwarePanel::FirmwarePanel(QWidget* parent, const QRect& designRect, double scale)
    : EngineeringPanel(parent, designRect, scale)
{
    addLabel(kTextImage, QRect(0, 2, 110, 36));
    field_ = addPathField(QRect(112, 2, 224, 36));
    connect(addBrowseButton(QRect(342, 0, 48, 40)), &Button::clicked, this,
            &FirmwarePanel::browseRequested);
    Button* update = addButton(kTextUpdate, QRect(396, 0, 206, 40));
    connect(update, &Button::clicked, this, &FirmwarePanel::updateRequested);
}

void FirmwarePanel::setPath(const QString& path)
{
    showPath(field_, path);
}
