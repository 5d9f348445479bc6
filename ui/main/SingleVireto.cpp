#include "ui/main/SingleVireto.h"

#include "app/AppContext.h"
#include "app/SettingsFile.h"
#include "app/TextIds.h"
#include "device/DeviceJobQueue.h"
#include "device/PresenceMonitor.h"
#include "imaging/LevelingConfig.h"
#include "transport/VirtualScene.h"
#include "ui/calibration/KeyCalibrationWin.h"
#include "ui/leveling/AdjustScreenWin.h"
#include "ui/main/EditionSteps.h"
#include "ui/main/FrameWatch.h"
#include "ui/settings/SingleSetWin.h"
#include "ui/widgets/Button.h"
#include "ui/widgets/MyMessageBox.h"
#include "ui/widgets/TouchScreen.h"

#include <QCloseEvent>
#include <QKeyEvent>

namespace {

bool shortcutsEnabled()
{
    return SettingsFile::vireto().readInt(QStringLiteral("Shortcut_keys"),
                                          QStringLiteral("Shortcuts_en"), 0) == 1;
}

const char* const kTileImages[][4] = {
    {"keyCalibration.png", "keyCalibration1.png", "keyCalibration2.png", "keyCalibration3.png"},
    {"MP1_set.png", "MP1_set1.png", "MP1_set2.png", "MP1_set3.png"},
    {"MP_adjustScreen.png", "MP_adjustScreen1.png", "MP_adjustScreen2.png", "MP_adjustScreen3.png"},
    {"about.png", "about1.png", "about2.png", "about3.png"},
};

} // namespace

SingleVireto::SingleVireto(Device& device, std::shared_ptr<VirtualScene> scene, QWidget* parent)
    : EditionFrame(parent), device_(device), scene_(std::move(scene)),
      jobs_(std::make_unique<DeviceJobQueue>()), main_(device, *this, 1),
      single_(device, *this, main_, appContext().subFunction, shortcutsEnabled())
{
    AppContext& app = appContext();
    // The one tile of the function, in the middle of the window.
    const int tileSet = single_.subFunction() == SingleEditionLogic::kKeys             ? 0
                        : single_.subFunction() == SingleEditionLogic::kPenSettings    ? 1
                        : single_.subFunction() == SingleEditionLogic::kImageAdjusting ? 2
                                                                                       : 3;
    function_ = new Button(this);
    function_->setSkin(
        QString::fromLatin1(kTileImages[tileSet][0]), QString::fromLatin1(kTileImages[tileSet][1]),
        QString::fromLatin1(kTileImages[tileSet][2]), QString::fromLatin1(kTileImages[tileSet][3]));
    function_->setColors(255, 255, 255, 255, 255, 255, 230, 240, 250, 150, 150, 150);
    function_->setGeometry(scaled((kDesignWidth - 210) / 2, 130, 210, 210));
    function_->setAlignmentValue(1);
    function_->setCaptionFont(app.skin.heading.font());
    function_->setCaption(app.text(single_.functionCaption()));
    function_->setButtonEnabled(false);
    connect(function_, &Button::clicked, this, [this] { openFunction(single_.subFunction()); });
    showStatusText(kTextDeviceChecking);

    app.log.startRun(app.toolMode, app.subFunction);
    monitor_ = watchForFrame<GetDeviceConfigThreadSingle>(*this, device_);
}

SingleVireto::~SingleVireto()
{
    delete adjustScreen_.data();
    delete keyCalibrationWin_.data();
    delete setWin_.data();
    monitor_->stop();
}

KeyCalibrationWin* SingleVireto::keyCalibrationWin() const
{
    return keyCalibrationWin_.data();
}

SettingsDialog* SingleVireto::setWin() const
{
    return setWin_.data();
}

AdjustScreenWin* SingleVireto::adjustScreenWindow() const
{
    return adjustScreen_.data();
}

// --- MainWindowView / SingleEditionView -----------------------------------------------

void SingleVireto::showStatusText(int textIndex)
{
    setStatus(appContext().text(textIndex));
}

void SingleVireto::setMenuButtonsEnabled(bool enabled)
{
    function_->setButtonEnabled(enabled);
}

void SingleVireto::clearSelection()
{
    function_->setHighlighted(false);
}

void SingleVireto::runDeviceJob(std::function<int()> work, std::function<void(int)> done)
{
    jobs_->enqueue(this, std::move(work), std::move(done));
}

void SingleVireto::warn(const QString& title, const QString& text)
{
    warnings_ << text;
    MyMessageBox box(this, title, text, 1, {QStringLiteral("OK")});
    box.run();
}

void SingleVireto::openFunction(int subFunction)
{
    if (closing_ || opening_ || functionOpen())
        return;
    switch (subFunction) {
    case SingleEditionLogic::kKeys:
        KeyCalibrationButSlot();
        return;
    case SingleEditionLogic::kPenSettings:
        SetButSlot();
        return;
    case SingleEditionLogic::kImageAdjusting:
        AdjustScreenButSlot();
        return;
    default:
        AboutButSlot();
        return;
    }
}

void SingleVireto::closeWindow()
{
    close();
}

bool SingleVireto::functionOpen() const
{
    return (keyCalibrationWin_ && keyCalibrationWin_->isVisible()) ||
           (setWin_ && setWin_->isVisible()) || (adjustScreen_ && adjustScreen_->isVisible());
}

void SingleVireto::openAfter(std::function<int()> steps, std::function<void(int)> open)
{
    opening_ = true;
    setCursor(Qt::BusyCursor);
    jobs_->enqueue(this, std::move(steps), [this, open](int result) {
        opening_ = false;
        unsetCursor();
        if (!closing_)
            open(result);
    });
}

// --- Slots ------------------------------------------------------------------------------

void SingleVireto::recvShowData(int code)
{
    single_.handleStatusCode(code);
}

void SingleVireto::FindHidDevice()
{
    monitor_->deviceChanged();
}

void SingleVireto::KeyCalibrationButSlot()
{
    if (opening_ || !single_.functionAvailable() || !main_.guard(false))
        return;
    Device* device = &device_;
    openAfter([device] { return edition_steps::prepareKeyCalibration(*device); },
              [this](int) {
                  delete keyCalibrationWin_.data();
                  keyCalibrationWin_ = new KeyCalibrationWin(device_, *jobs_, scene_.get(),
                                                             touch_screen::chosen(), this);
                  connect(keyCalibrationWin_.data(), &KeyCalibrationWin::sendShowData, this,
                          &SingleVireto::recvShowData);
              });
}

void SingleVireto::SetButSlot()
{
    if (opening_ || !main_.guard(true))
        return;
    delete setWin_.data();
    setWin_ = new SingleSetWin(device_, *jobs_, this);
    connect(setWin_.data(), &SettingsDialog::sendShowData, this, &SingleVireto::recvShowData);
    setWin_->show();
}

void SingleVireto::AdjustScreenButSlot()
{
    if (opening_ || !main_.guard(false))
        return;
    auto config = std::make_shared<LevelingConfig>();
    Device* device = &device_;
    openAfter([device, config] { return edition_steps::prepareImageAdjusting(*device, *config); },
              [this, config](int outcome) {
                  if (const int failureText = edition_steps::imageAdjustingText(outcome)) {
                      main_.showText(failureText);
                      return;
                  }
                  delete adjustScreen_.data();
                  adjustScreen_ = new AdjustScreenWin(device_, *config, scene_, this);
                  connect(adjustScreen_.data(), &AdjustScreenWin::sendShowData, this,
                          &SingleVireto::recvShowData);
                  adjustScreen_->show();
              });
}

void SingleVireto::AboutButSlot()
{
    if (opening_)
        return;
    opening_ = true;
    single_.readAbout([this](const QString& text) {
        opening_ = false;
        if (text.isEmpty() || closing_)
            return;
        lastAbout_ = text;
        MyMessageBox box(this, appContext().text(kTextVersions), text, 1, {QStringLiteral("OK")});
        box.run();
    });
}

// --- Keyboard, closing ------------------------------------------------------------------

void SingleVireto::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        close();
        return;
    case Qt::Key_Tab: // the one tile: Tab selects it, as the menus' Tab does
        function_->setHighlighted(true);
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (function_->isHighlighted() && function_->isButtonEnabled())
            openFunction(single_.subFunction());
        return;
    default:
        EditionFrame::keyPressEvent(event);
    }
}

void SingleVireto::closeEvent(QCloseEvent* event)
{
    if (closing_) {
        event->accept();
        return;
    }
    closing_ = true;
    monitor_->stop();
    // The function's window goes first: its worker ends with it.
    delete adjustScreen_.data();
    delete keyCalibrationWin_.data();
    delete setWin_.data();
    edition_steps::queueWorkModeOnClose(*jobs_, this, device_);
    jobs_->drain();
    appContext().log.log("Vireto log end!\n");
    event->accept();
}
