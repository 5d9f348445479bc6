#pragma once

#include "ui/settings/SettingsDialog.h"

class ExposureField;

// A settings window with the infrared exposure field: both settings windows have it, at
// their own place, and its arrows step it the same way.
class ExposureDialog : public SettingsDialog {
    Q_OBJECT
public:
    using SettingsDialog::SettingsDialog;

    ExposureField* exposure() const { return exposure_; }

public slots:
    void LeftIRSlot();
    void RightIRSlot();

protected:
    // Made by the window, which places it.
    ExposureField* exposure_ = nullptr;
};
