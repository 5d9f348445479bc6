#include "ui/maintenance/RegisterPanel.h"

#include "app/TextIds.h"
#include "ui/widgets/Button.h"

#include <QCheckBox>
#include <QLabel>

RegisterPanel::RegisterPanel(QWidget* parent, const QRect& designRect, double scale)
    : EngineeringPanel(parent, designRect, scale)
{
    addLabel(-1, QRect(0, 0, 150, 36))->setText(QStringLiteral("Reg Addr(HEX)"));
    addField(QRect(150, 0, 130, 36), false);
    addLabel(-1, QRect(300, 0, 70, 36))->setText(QStringLiteral("Value"));
    addField(QRect(370, 0, 110, 36), false);
    auto* sensor = new QCheckBox(QStringLiteral("Sensor"), this);
    sensor->setGeometry(scaled(500, 0, 110, 36));
    sensor->setEnabled(false);
    auto* slave = new QCheckBox(QStringLiteral("Slave"), this);
    slave->setGeometry(scaled(500, 40, 110, 36));
    slave->setEnabled(false);
    addUnavailableButton(kTextWrite, QRect(0, 46, 120, 40));
    addUnavailableButton(kTextRead, QRect(136, 46, 120, 40));
    Button* status = addButton(-1, QRect(272, 46, 120, 40));
    status->setCaption(QStringLiteral("GetStatus"));
    connect(status, &Button::clicked, this, &RegisterPanel::getStatusRequested);
}
