#pragma once

#include "ui/widgets/EngineeringPanel.h"

class QLineEdit;

// "Image:" with the firmware image's path, browse (BrowseButSlot()) and Update
// (FirmwareUpdate()). The window chooses the file and runs the update.
class FirmwarePanel : public EngineeringPanel {
    Q_OBJECT
public:
    FirmwarePanel(QWidget* parent, const QRect& designRect, double scale);

    void setPath(const QString& path);
    QLineEdit* pathField() const { return field_; }

signals:
    void browseRequested();
    void updateRequested();

private:
    QLineEdit* field_ = nullptr;
};
