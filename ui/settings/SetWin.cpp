#include "ui/settings/SetWin.h"

#include "app/AppContext.h"
#include "app/SettingsFile.h"
#include "app/TextIds.h"
#include "calibration/StoredRecord.h"
#include "device/ModeSwitch.h"
#include "ui/settings/ExposureField.h"
#include "ui/widgets/Button.h"
#include "ui/widgets/MyMessageBox.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>

#include <memory>

namespace {

enum Orientation { kLandscape = 0, kPortrait = 1 };
enum Lights { kTwoLights = 0, kFourLights = 1 };
enum Pen { kPenClosed = 0, kPenOpen = 1 };
enum DeleteResult { kDeleteRefused = -1, kDeleteFailed = 0, kDeleted = 1, kNothingStored = 2 };

} // namespace

SetWin::SetWin(Device& device, DeviceJobQueue& jobs, QWidget* parent)
    : ExposureDialog(device, jobs, appContext().text(kTextSet), parent)
{
    const AppContext& app = appContext();
    addLabel(app.text(kTextShowSize), QRect(40, 84, 400, 30), true);
    sizes_ = new QButtonGroup(this);
    for (int i = 0; i < config_settings::kScreenSizes; ++i)
        addRadio(app.text(kTextSize30 + i).trimmed(),
                 QRect(40 + (i / 4) * 200, 118 + (i % 4) * 34, 190, 30), sizes_, i);

    addLabel(app.text(kTextShowMode), QRect(40, 262, 400, 30), true);
    mode_ = new QButtonGroup(this);
    addRadio(app.text(kTextLandscape), QRect(40, 296, 190, 30), mode_, kLandscape);
    addRadio(app.text(kTextPortrait), QRect(240, 296, 190, 30), mode_, kPortrait);
    rotation_ = new QComboBox(this);
    rotation_->setFont(app.skin.text.font());
    rotation_->setGeometry(scaled(240, 332, 210, 32));
    rotation_->addItems({app.text(kTextNoRotation), app.text(kTextClockwise90),
                         app.text(kTextCounterClockwise90),
                         app.text(kTextClockwise90) + app.text(kTextMirror),
                         app.text(kTextCounterClockwise90) + app.text(kTextMirror)});
    connect(mode_, &QButtonGroup::idToggled, this,
            [this](int, bool) { rotation_->setEnabled(mode_->checkedId() == kPortrait); });

    addLabel(app.text(kTextSelectLight), QRect(40, 382, 400, 30), true);
    lights_ = new QButtonGroup(this);
    addRadio(app.text(kTextTwoLights), QRect(40, 416, 190, 30), lights_, kTwoLights);
    addRadio(app.text(kTextFourLights), QRect(240, 416, 190, 30), lights_, kFourLights);

    addLabel(app.text(kTextIrPen), QRect(480, 84, 380, 30), true);
    pen_ = new QButtonGroup(this);
    addRadio(app.text(kTextOpen), QRect(480, 118, 180, 30), pen_, kPenOpen);
    addRadio(app.text(kTextClose), QRect(680, 118, 180, 30), pen_, kPenClosed);
    exposure_ = new ExposureField(this, scaled(480, 160, 40, 40), scaled(526, 160, 60, 40),
                                  scaled(592, 160, 40, 40));

    addLabel(app.text(kTextSystemType), QRect(480, 222, 380, 30), true);
    system_ = new QButtonGroup(this);
    addRadio(app.text(kTextAuto), QRect(480, 256, 180, 30), system_, 0);
    addRadio(app.text(kTextWindows), QRect(680, 256, 180, 30), system_, 1);
    addRadio(app.text(kTextMac), QRect(480, 290, 180, 30), system_, 3);
    addRadio(app.text(kTextOthers), QRect(680, 290, 180, 30), system_, 2);

    addLabel(app.text(kTextCalibrationSet), QRect(480, 338, 380, 30), true);
    auto* calibration = new QButtonGroup(this);
    QRadioButton* sixteen =
        addRadio(app.text(kText16Point), QRect(480, 372, 180, 30), calibration, 0);
    sixteen->setChecked(true);
    sixteen->setEnabled(false);

    ok_ = addButton(kTextOk, QRect(40, 490, 190, 48));
    Button* reload = addButton(kTextParameterReset, QRect(250, 490, 190, 48));
    Button* reset = addButton(kTextReconnect, QRect(460, 490, 190, 48));
    Button* remove = addButton(kTextDeleteCalibration, QRect(670, 490, 190, 48));
    status_ = addLabel(QString(), QRect(40, 552, 820, 64));
    status_->setAlignment(Qt::AlignCenter);
    status_->setWordWrap(true);
    connect(ok_, &Button::clicked, this, &SetWin::OKButtonSlot);
    connect(reload, &Button::clicked, this, &SetWin::ResetButtonSlot);
    connect(reset, &Button::clicked, this, &SetWin::ResetButSlot);
    connect(remove, &Button::clicked, this, &SetWin::DeleteButtonSlot);
    finishParts({ok_, reload, reset});

    // Vireto.ini from the frame's record, then the controls from Vireto.ini.
    synchroniseFromFrame([this](bool synced) {
        synchronised_ = synced;
        if (!synchronised_)
            status_->setText(QStringLiteral("The frame's settings could not be read; the "
                                            "window shows those of Vireto.ini."));
        ResetButtonSlot();
    });
}

QString SetWin::statusText() const
{
    return status_->text();
}

config_settings::Choices SetWin::choices() const
{
    config_settings::Choices c;
    // No size chosen (the stored one is outside the list): the stored one stays.
    c.screenSize = sizes_->checkedId() >= 0
                       ? sizes_->checkedId()
                       : config_settings::readChoices(SettingsFile::vireto()).screenSize;
    c.portrait = mode_->checkedId() == kPortrait;
    c.rotation = c.portrait ? rotation_->currentIndex() : 0;
    c.touchType = system_->checkedId() < 0 ? 1 : system_->checkedId();
    c.fourLights = lights_->checkedId() == kFourLights;
    c.penOpen = pen_->checkedId() == kPenOpen;
    c.exposureScale = exposure_->scale();
    return c;
}

void SetWin::setChoices(const config_settings::Choices& c)
{
    if (QAbstractButton* size = sizes_->button(c.screenSize)) {
        size->setChecked(true);
    } else {
        // A stored size outside the list selects none.
        sizes_->setExclusive(false);
        for (QAbstractButton* b : sizes_->buttons())
            b->setChecked(false);
        sizes_->setExclusive(true);
    }
    mode_->button(c.portrait ? kPortrait : kLandscape)->setChecked(true);
    rotation_->setCurrentIndex(std::clamp(c.rotation, 0, config_settings::kRotations - 1));
    rotation_->setEnabled(c.portrait);
    system_->button(c.touchType)->setChecked(true);
    lights_->button(c.fourLights ? kFourLights : kTwoLights)->setChecked(true);
    pen_->button(c.penOpen ? kPenOpen : kPenClosed)->setChecked(true);
    exposure_->setScale(c.exposureScale);
}

void SetWin::ResetButtonSlot()
{
    setChoices(config_settings::readChoices(SettingsFile::vireto()));
}

void SetWin::OKButtonSlot()
{
    if (busy())
        return;
    const SettingsFile ini = SettingsFile::vireto();
    config_settings::writeChoices(ini, choices());
    runDeviceJob(
        [](Device& d) {
            return static_cast<int>(config_settings::saveToFrame(d, SettingsFile::vireto()));
        },
        [this](int result) {
            const auto saved = static_cast<config_settings::SaveResult>(result);
            status_->setText(saved == config_settings::SaveResult::Saved
                                 ? QStringLiteral("The settings were written to the frame.")
                                 : QString::fromLatin1(config_settings::describe(saved)));
            if (saved != config_settings::SaveResult::Saved)
                reportWriteFailure(result);
        });
}

void SetWin::ResetButSlot()
{
    if (busy())
        return;
    runDeviceJob(
        [](Device& d) { return SwitchMode(d, WorkMode) && SwitchMode(d, ResetMode) ? 1 : 0; },
        [this](int done) {
            const AppContext& app = appContext();
            MyMessageBox box(this, app.text(kTextWarning),
                             app.text(done ? kTextResetDone : kTextResetFailed), 1,
                             {QStringLiteral("OK")});
            box.run();
        });
}

void SetWin::DeleteButtonSlot()
{
    if (busy())
        return;
    auto error = std::make_shared<QString>();
    runDeviceJob(
        [error](Device& d) {
            if (!SwitchMode(d, CalibrationMode))
                return static_cast<int>(kDeleteRefused);
            bool nothingStored = false;
            const sensor_block_rewrite::Outcome deleted =
                stored_record::deleteCalibration(d, nothingStored);
            *error = deleted.error;
            SwitchMode(d, WorkMode);
            return static_cast<int>(!deleted.ok     ? kDeleteFailed
                                    : nothingStored ? kNothingStored
                                                    : kDeleted);
        },
        [this, error](int result) {
            // A failed rewrite says where the block as it was is kept and how to restore it.
            status_->setText(result == kDeleted ? QStringLiteral("The calibration was deleted.")
                             : result == kNothingStored
                                 ? QStringLiteral("The frame holds no calibration.")
                                 : *error);
            if (result == kDeleteRefused)
                warn(kTextResetFailed);
            else if (result == kDeleteFailed)
                warn(kTextWriteFailed);
        });
}
