#pragma once

#include "ui/settings/ExposureDialog.h"

// The reduced settings window: the infrared pen and its exposure, written into the
// frame's configuration record. Opening brings "Vireto.ini" up to date from the frame;
// closing sends code 3.
class SingleSetWin : public ExposureDialog {
    Q_OBJECT
public:
    SingleSetWin(Device& device, DeviceJobQueue& jobs, QWidget* parent = nullptr);

    bool penOpen() const;
    void setPenOpen(bool open);

public slots:
    void OKButtonSlot();

private:
    QButtonGroup* pen_ = nullptr;
};
