#include "ui/settings/ExposureDialog.h"

#include "ui/settings/ExposureField.h"

void ExposureDialog::LeftIRSlot()
{
    exposure_->step(+1);
}

void ExposureDialog::RightIRSlot()
{
    exposure_->step(-1);
}
