#include "ui/leveling/PreviewPanel.h"

#include "app/TextIds.h"

#include <QLabel>

PreviewPanel::PreviewPanel(QWidget* parent, const QRect& designRect, double scale)
    : EngineeringPanel(parent, designRect, scale)
{
    addUnavailableButton(kTextPreview, QRect(0, 0, 180, 40));
    addUnavailableButton(kTextCompressImage, QRect(196, 0, 220, 40));
    auto* area = new QLabel(this);
    area->setObjectName(QStringLiteral("previewArea"));
    area->setGeometry(scaled(0, 52, 612, 270));
    area->setStyleSheet(QStringLiteral(
        "background: rgba(0,0,0,90); border: 1px solid rgb(120,160,200); border-radius: 4px;"));
}
