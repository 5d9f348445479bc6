#pragma once

#include "device/ConfigSettings.h"
#include "ui/settings/ExposureDialog.h"

class QComboBox;

// The full settings window: screen size, orientation, light type, operating system,
// infrared pen and exposure, written to "Vireto.ini" and into the frame's configuration
// record. Opening brings "Vireto.ini" up to date from the frame; closing sends code 3.
class SetWin : public ExposureDialog {
    Q_OBJECT
public:
    SetWin(Device& device, DeviceJobQueue& jobs, QWidget* parent = nullptr);

    // For tests: what the controls show now.
    config_settings::Choices choices() const;
    void setChoices(const config_settings::Choices& choices);
    bool synchronised() const { return synchronised_; }
    Button* okButton() const { return ok_; }
    // What the last device step came to, in the window's status line.
    QString statusText() const;

public slots:
    void ResetButSlot();
    void ResetButtonSlot();
    void OKButtonSlot();
    void DeleteButtonSlot();

private:
    QButtonGroup* sizes_ = nullptr;
    QButtonGroup* mode_ = nullptr;
    QComboBox* rotation_ = nullptr;
    QButtonGroup* lights_ = nullptr;
    QButtonGroup* pen_ = nullptr;
    QButtonGroup* system_ = nullptr;
    Button* ok_ = nullptr;
    QLabel* status_ = nullptr;
    bool synchronised_ = false;
};
