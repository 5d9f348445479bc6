#include "ui/settings/SingleSetWin.h"

#include "app/AppContext.h"
#include "app/SettingsFile.h"
#include "app/TextIds.h"
#include "device/ConfigSettings.h"
#include "device/ModeSwitch.h"
#include "ui/settings/ExposureField.h"
#include "ui/widgets/Button.h"

#include <QButtonGroup>
#include <QRadioButton>

SingleSetWin::SingleSetWin(Device& device, DeviceJobQueue& jobs, QWidget* parent)
    : ExposureDialog(device, jobs, appContext().text(kTextSet), parent)
{
    const AppContext& app = appContext();
    addLabel(app.text(kTextIrPen), QRect(250, 150, 400, 36), true);
    pen_ = new QButtonGroup(this);
    addRadio(app.text(kTextOpen), QRect(250, 200, 190, 32), pen_, 1);
    addRadio(app.text(kTextClose), QRect(460, 200, 190, 32), pen_, 0);
    exposure_ = new ExposureField(this, scaled(250, 260, 40, 40), scaled(296, 260, 60, 40),
                                  scaled(362, 260, 40, 40));
    Button* ok = addButton(kTextOk, QRect(250, 460, 190, 48));
    Button* cancel = addButton(kTextCancel, QRect(460, 460, 190, 48));
    connect(ok, &Button::clicked, this, &SingleSetWin::OKButtonSlot);
    connect(cancel, &Button::clicked, this, &QDialog::close);
    finishParts({ok, cancel});

    synchroniseFromFrame([this](bool) {
        const config_settings::Choices c = config_settings::readChoices(SettingsFile::vireto());
        setPenOpen(c.penOpen);
        exposure_->setScale(c.exposureScale);
    });
}

bool SingleSetWin::penOpen() const
{
    return pen_->checkedId() == 1;
}

void SingleSetWin::setPenOpen(bool open)
{
    pen_->button(open ? 1 : 0)->setChecked(true);
}

void SingleSetWin::OKButtonSlot()
{
    if (busy())
        return;
    config_settings::writePenChoice(SettingsFile::vireto(), penOpen());
    if (!penOpen())
        exposure_->setScale(3);
    runDeviceJob(
        [](Device& d) {
            return static_cast<int>(config_settings::savePenToFrame(d, SettingsFile::vireto()));
        },
        [this](int result) {
            if (static_cast<config_settings::SaveResult>(result) !=
                config_settings::SaveResult::Saved)
                reportWriteFailure(result);
        });
}
