#include "ui/main/ViretoUser.h"

#include "app/AppContext.h"
#include "app/TextIds.h"
#include "device/Delay.h"
#include "device/DeviceJobQueue.h"
#include "device/PresenceMonitor.h"
#include "transport/VirtualScene.h"
#include "ui/main/FrameWatch.h"
#include "ui/widgets/Button.h"
#include "ui/widgets/MyMessageBox.h"
#include "ui/widgets/SkinnedParts.h"
#include "ui/widgets/TouchScreen.h"

#include <QLabel>
#include <QScreen>
#include <QTimer>

namespace {

// The virtual operator touches within half a pixel of each target.
constexpr double kAimError = 0.5;
// The status line sits on a light panel, so that its dark and red texts read on the
// dark screen.
const char* const kStatusPanel =
    "background: rgba(235,242,250,235); border-radius: 10px; padding: 8px 16px;";

} // namespace

ViretoUser::ViretoUser(Device& device, std::shared_ptr<VirtualScene> scene, QWidget* parent)
    : CalibrationRunWindow(appContext().text(kTextCalibrate), parent), device_(device),
      scene_(std::move(scene)), jobs_(std::make_unique<DeviceJobQueue>())
{
    AppContext& app = appContext();
    setWindowIcon(QIcon(app.skinDirectory + QStringLiteral("Vireto.png")));
    scale_ = painter_.scale();

    title_ = addMessageLabel(true, skinned_parts::kLabelStyle);
    title_->setFont(app.skin.title.font());
    title_->setText(app.text(kTextToolTitle));
    version_ = addMessageLabel(false, skinned_parts::kLabelStyle);
    version_->setText(QStringLiteral(" ") + toolVersionText(app.subVersion));
    status_ = addMessageLabel(true, styleOfTone(StatusTone::Normal));
    addRunButtons();
    typeButton_->setCaption(app.text(kText4Point));
    typeButton_->setButtonEnabled(false);
    stepBackButton_->setButtonEnabled(false);

    QScreen* screen = touch_screen::chosen();
    showOn(screen);
    layOut();
    logic_ = std::make_unique<UserEditionLogic>(device_, static_cast<UserEditionView&>(*this),
                                                width(), height(), app.subFunction);
    if (scene_)
        scene_->placeOperator(width(), height(), 0, kAimError);
    showStatus(app.text(kTextDeviceChecking).trimmed(), toneOfText(kTextDeviceChecking));

    app.log.startRun(app.toolMode, app.subFunction);
    monitor_ = watchForFrame<GetDeviceConfigThreadUser>(*this, device_);
}

ViretoUser::~ViretoUser()
{
    monitor_->stop();
    logic_.reset(); // its workers end before the queue and the window go
}

void ViretoUser::layOut()
{
    // As the calibration window, with the title and the versions above the panel.
    layOutRunPanel(status_);
    const int w = width();
    const int top = height() * 24 / 100;
    title_->setGeometry(w / 5, top, w * 3 / 5, qRound(48 * scale_));
    version_->setGeometry(w / 5, top + qRound(48 * scale_), w * 3 / 5, qRound(32 * scale_));
}

QString ViretoUser::statusText() const
{
    return status_->text();
}

QString ViretoUser::statusStyle() const
{
    return status_->styleSheet();
}

QString ViretoUser::versionText() const
{
    return version_->text();
}

// --- UserEditionView ------------------------------------------------------------------

void ViretoUser::showStatus(const QString& text, StatusTone tone)
{
    status_->setText(text);
    status_->setStyleSheet(QString::fromLatin1(styleOfTone(tone)) + QStringLiteral("; ") +
                           QString::fromLatin1(kStatusPanel));
}

void ViretoUser::setVersionText(const QString& text)
{
    version_->setText(text);
}

void ViretoUser::setTypeButtonEnabled(bool enabled)
{
    typeButton_->setButtonEnabled(enabled);
}

void ViretoUser::setTypeCaption(int textIndex)
{
    typeButton_->setCaption(appContext().text(textIndex));
}

void ViretoUser::setResetEnabled(bool enabled)
{
    stepBackButton_->setButtonEnabled(enabled);
}

void ViretoUser::repaintTargets()
{
    update();
}

void ViretoUser::warn(const QString& title, const QString& text)
{
    MyMessageBox box(this, title, text, 1, {QStringLiteral("OK")});
    box.run();
}

void ViretoUser::stopMonitor()
{
    monitor_->stop();
}

void ViretoUser::runDeviceJob(std::function<int()> work, std::function<void(int)> done)
{
    jobs_->enqueue(this, std::move(work), std::move(done));
}

void ViretoUser::after(double ms, std::function<void()> then)
{
    QTimer::singleShot(qRound(ms * delay::timeScale()), this, std::move(then));
}

void ViretoUser::closeWindow()
{
    painter_.stopAnimation();
    closeNow();
}

// --- Slots ------------------------------------------------------------------------------

void ViretoUser::recvShowData(int code)
{
    logic_->handleStatusCode(code);
}

void ViretoUser::recvData(int code)
{
    logic_->handleWorkerCode(code);
}

void ViretoUser::CalTypeSlot()
{
    logic_->switchType();
}

void ViretoUser::ResetSlot()
{
    logic_->stepBack();
}

void ViretoUser::ReturnSlot()
{
    if (!logic_->leaving())
        setBusyLook(true);
    logic_->leave();
}

void ViretoUser::leave()
{
    ReturnSlot();
}

void ViretoUser::FindHidDevice()
{
    monitor_->deviceChanged();
}

const CalibrationRunLogic* ViretoUser::shownRun() const
{
    // The logic is built once the window has its size.
    return logic_ && logic_->runStarted() ? &logic_->run() : nullptr;
}
