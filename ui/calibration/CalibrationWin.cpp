#include "ui/calibration/CalibrationWin.h"

#include "app/AppContext.h"
#include "app/TextIds.h"
#include "device/Delay.h"
#include "transport/VirtualScene.h"
#include "ui/widgets/Button.h"
#include "ui/widgets/MyMessageBox.h"
#include "ui/widgets/SkinnedParts.h"

#include <QLabel>
#include <QTimer>

namespace {

// The virtual operator touches within half a pixel of each target.
constexpr double kAimError = 0.5;
constexpr double kLeavePauseMs = 2100.0;
constexpr double kAfterStopPauseMs = 500.0;

} // namespace

CalibrationWin::CalibrationWin(Device& device, const CalibrationRunSetup& setup,
                               VirtualScene* scene, QScreen* screen, QWidget* parent)
    : CalibrationRunWindow(appContext().text(kTextCalibrate), parent), logic_(device, *this, setup),
      scene_(scene)
{
    const AppContext& app = appContext();

    message_ = addMessageLabel(true, skinned_parts::kLabelStyle);
    addRunButtons();

    if (scene_)
        scene_->placeOperator(setup.width, setup.height, setup.sensorType, kAimError);
    showMessage(app.text(kTextInitialising));
    showOn(screen);
    layOut();
    logic_.start();
}

CalibrationWin::~CalibrationWin() = default;

QString CalibrationWin::messageText() const
{
    return message_->text();
}

void CalibrationWin::layOut()
{
    layOutRunPanel(message_);
}

// --- CalibrationRunView --------------------------------------------------------------

void CalibrationWin::showMessage(const QString& text)
{
    message_->setText(text.trimmed());
}

void CalibrationWin::setTypeButtonEnabled(bool enabled)
{
    typeButton_->setButtonEnabled(enabled && !leaving_);
}

void CalibrationWin::setTypeCaption(int textIndex)
{
    typeButton_->setCaption(appContext().text(textIndex));
}

void CalibrationWin::setStepBackEnabled(bool enabled)
{
    stepBackButton_->setButtonEnabled(enabled && !leaving_);
}

void CalibrationWin::repaintTargets()
{
    update();
}

void CalibrationWin::reportToOwner(int code)
{
    emit sendShowData(code);
}

void CalibrationWin::leave()
{
    ReturnSlot();
}

void CalibrationWin::warn(const QString& title, const QString& text)
{
    MyMessageBox box(this, title, text, 1, {QStringLiteral("OK")});
    box.run();
}

// --- Slots ------------------------------------------------------------------------------

void CalibrationWin::recvData(int code)
{
    logic_.handleCode(code);
}

void CalibrationWin::CalTypeSlot()
{
    if (!leaving_)
        logic_.switchType();
}

void CalibrationWin::ResetSlot()
{
    if (!leaving_)
        logic_.stepBack();
}

void CalibrationWin::pause(double ms, const std::function<void()>& then)
{
    QTimer::singleShot(qRound(ms * delay::timeScale()), this, then);
}

void CalibrationWin::ReturnSlot()
{
    if (leaving_)
        return;
    leaving_ = true;
    setBusyLook(true);
    for (Button* b : {typeButton_, stepBackButton_, exitButton_})
        b->setButtonEnabled(false);
    pause(kLeavePauseMs, [this] {
        logic_.stopWorkers([this] {
            pause(kAfterStopPauseMs, [this] {
                emit sendShowData(logic_.closingCode());
                painter_.stopAnimation();
                closeNow();
            });
        });
    });
}
