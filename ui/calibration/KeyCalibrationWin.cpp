#include "KeyCalibrationWin.h"

#include "AppContext.h"
#include "Button.h"
#include "CalibrationRunState.h"
#include "DeviceJobQueue.h"
#include "DeviceState.h"
#include "FocusRow.h"
#include "KeySchematicDrawing.h"
#include "ModeSwitch.h"
#include "SettingsFile.h"
#include "SkinnedParts.h"
#include "StoredRecord.h"
#include "TextIds.h"
#include "TouchScreen.h"
#include "VirtualScene.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>

#include <memory>

namespace {

const QColor kPaper(240, 244, 248);
const char* const kDarkText = "color:rgb(0,38,102)";

} // namespace

KeyCalibrationWin::KeyCalibrationWin(Device& device, DeviceJobQueue& jobs, VirtualScene* scene,
                                     QScreen* screen, QWidget* parent)
    : QDialog(parent, Qt::FramelessWindowHint | Qt::Window), device_(device), jobs_(jobs),
      scene_(scene), worker_(device), tester_(device)
{
    const AppContext& app = appContext();
    setModal(true);
    setWindowTitle(app.text(kTextShortcuts));
    hint_ = new QLabel(this);
    hint_->setAlignment(Qt::AlignCenter);
    hint_->setWordWrap(true);
    hint_->setFont(app.skin.heading.font());
    hint_->setStyleSheet(QString::fromLatin1(kDarkText));
    message_ = new QLabel(this);
    message_->setAlignment(Qt::AlignCenter);
    message_->setWordWrap(true);
    message_->setFont(app.skin.text.font());
    message_->setStyleSheet(QString::fromLatin1(kDarkText));
    calibrateButton_ = skinned_parts::pushButton(this, QRect(), false);
    calibrateButton_->setCaption(app.text(kTextCalibrate));
    stepBackButton_ = skinned_parts::pushButton(this, QRect(), false);
    stepBackButton_->setCaption(app.text(kTextStepBack));
    stepBackButton_->setButtonEnabled(false);
    exitButton_ = skinned_parts::pushButton(this, QRect(), false);
    exitButton_->setCaption(app.text(kTextExit));
    connect(calibrateButton_, &Button::clicked, this, &KeyCalibrationWin::CalibrationButSlot);
    connect(stepBackButton_, &Button::clicked, this, &KeyCalibrationWin::ResetButSlot);
    connect(exitButton_, &Button::clicked, this, &KeyCalibrationWin::ReturnButSlot);
    focus_ = new FocusRow(this);
    focus_->setButtons({calibrateButton_, stepBackButton_, exitButton_});
    connect(&worker_, &KeyCalibrationThread::sendData, this, &KeyCalibrationWin::recvData,
            Qt::QueuedConnection);
    connect(&tester_, &KeyTestThread::sendData, this, &KeyCalibrationWin::testCode,
            Qt::QueuedConnection);

    touch_screen::showFullScreenOn(this, screen);
    layout_ = shortcut_keys::readKeyLayout(SettingsFile::vireto());
    schematic_ = shortcut_keys::schematicOf(layout_, width(), height());
    const QPixmap button(app.skinDirectory + QStringLiteral("button_Normal.png"));
    const QSize b = button.isNull() ? QSize(160, 48) : button.size();
    const QRect frame(QPoint(schematic_.frame.left, schematic_.frame.top),
                      QPoint(schematic_.frame.right, schematic_.frame.bottom));
    hint_->setGeometry(frame.left(), height() / 16, frame.width(), height() / 8);
    message_->setGeometry(frame.adjusted(20, 20, -20, -(b.height() + 40)));
    const int gap = b.width() / 6;
    int x = frame.center().x() - (3 * b.width() + 2 * gap) / 2;
    for (Button* button : {calibrateButton_, stepBackButton_, exitButton_}) {
        button->setGeometry(QRect(QPoint(x, frame.bottom() - b.height() - 20), b));
        x += b.width() + gap;
    }
    hint_->setText(app.text(kTextKeySchematicHint).trimmed());
    if (!layout_.hasKeys()) {
        showMessage(kTextNoShortcutKeys);
        calibrateButton_->setButtonEnabled(false);
    }
}

KeyCalibrationWin::~KeyCalibrationWin()
{
    worker_.stopAndWait();
    tester_.stopAndWait();
    if (scene_)
        scene_->pressPrintedKeys(false);
}

QString KeyCalibrationWin::messageText() const
{
    return message_->text();
}

QString KeyCalibrationWin::hintText() const
{
    return hint_->text();
}

void KeyCalibrationWin::showMessage(int textIndex)
{
    message_->setText(appContext().text(textIndex).trimmed());
}

void KeyCalibrationWin::setBusy(bool busy)
{
    busy_ = busy;
    if (busy)
        setCursor(Qt::BusyCursor);
    else
        unsetCursor();
    calibrateButton_->setButtonEnabled(!busy && !calibrating_ && !testing_ && layout_.hasKeys());
}

void KeyCalibrationWin::CalibrationButSlot()
{
    if (busy_ || calibrating_ || testing_ || leaving_)
        return;
    setBusy(true);
    showMessage(kTextInitialising);
    // The owner switches the frame on code 5 in the same queue, before this job.
    emit sendShowData(5);
    auto stored = std::make_shared<stored_record::StoredCalibration>();
    Device* d = &device_;
    jobs_.enqueue(
        this,
        [d, stored] {
            if (!SwitchMode(*d, CalibrationMode))
                appContext().log.logf(
                    "Key Calibration :Switch to calibration mode failed! g_isSwitchMode=%d\n",
                    g_isSwitchMode.load());
            *stored = stored_record::readStoredCalibration(*d);
            return stored->read ? 1 : 0;
        },
        [this, stored](int read) {
            setBusy(false);
            if (!read) {
                showMessage(g_bDevExist ? kTextKeyReadFailed : kTextPulledOut);
                return;
            }
            if (!stored->usable()) {
                showMessage(kTextCalibrateBeforeKeys);
                return;
            }
            begin(prepareKeyCalibration(SettingsFile::vireto(),
                                        SettingsFile(QStringLiteral("Vireto_Key.ini")), width(),
                                        height(), stored->sensorType));
        });
}

void KeyCalibrationWin::begin(const KeyCalibrationStart& start)
{
    if (start.noKeys) {
        showMessage(kTextNoShortcutKeys);
        emit sendShowData(6);
        return;
    }
    if (!start.problem.isEmpty()) {
        message_->setText(start.problem);
        return;
    }
    targets_ = start.setup.targets;
    if (scene_) {
        scene_->placeOperator(width(), height(), start.setup.sensorType, 0.0);
        scene_->printKeys(shortcut_keys::groupCountsOf(start.setup.layout), width(), height());
    }
    readWaitFrameCount(SettingsFile::vireto());
    calibrating_ = true;
    calibrateButton_->setButtonEnabled(false);
    hint_->setText(appContext().text(kTextKeyProjectionHint).trimmed());
    if (!worker_.begin(start.setup)) {
        calibrating_ = false;
        message_->setText(worker_.lastError());
        setBusy(false);
    }
    update();
}

void KeyCalibrationWin::recvData(int code)
{
    if (leaving_ || testing_)
        return;
    const AppContext& app = appContext();
    if (!g_bDevExist) {
        showMessage(kTextPulledOut);
        leave(3);
        return;
    }
    KeyCalibrationState& state = keyCalibrationState();
    switch (code) {
    case kKeyShowTarget:
        if (calibrating_ && g_CalDataInitSuc)
            showMessage(kTextKeyPenHint);
        break;
    case kKeyInitFailed:
        showMessage(kTextInitFailed);
        appContext().log.logf("Calibration init failed! g_CalDataInitSuc=%d\n", g_CalDataInitSuc.load());
        break;
    case kKeyProcessFailed:
        showMessage(kTextEnvironmentFailure);
        appContext().log.logf("Calibration Process failed! g_CalibrationProcessSuc=%d\n",
                     g_CalibrationProcessSuc.load());
        break;
    case kKeyProgress:
        message_->setText(app.text(kTextSavingCalibration).arg(state.progress.load()).trimmed());
        break;
    case kKeyStored:
        startTest();
        break;
    case kKeyReadFailed:
        showMessage(kTextKeyReadFailed);
        break;
    default:
        break;
    }
    const int index = state.index;
    stepBackButton_->setButtonEnabled(calibrating_ && !testing_ && index > 0 &&
                                      index < state.targetCount);
    update();
}

// The keys are stored: leave calibration mode and test them in the same window.
void KeyCalibrationWin::startTest()
{
    calibrating_ = false;
    testing_ = true;
    setBusy(true);
    emit sendShowData(6);
    stopThen(worker_, this, [this] {
        Device* d = &device_;
        jobs_.enqueue(
            this, [d] { return SwitchMode(*d, WorkMode); },
            [this](int) {
                setBusy(false);
                calibrateButton_->hide();
                stepBackButton_->hide();
                focus_->setButtons({exitButton_});
                exitButton_->move(
                    QPoint(schematic_.frame.left + (schematic_.frame.right - schematic_.frame.left -
                                                    exitButton_->width()) /
                                                       2,
                           exitButton_->y()));
                hint_->setText(appContext().text(kTextKeyTestHint).trimmed());
                if (scene_)
                    scene_->pressPrintedKeys(true);
                tester_.begin();
            });
    });
}

void KeyCalibrationWin::testCode(int code)
{
    if (leaving_)
        return;
    if (!g_bDevExist) {
        showMessage(kTextPulledOut);
        leave(3);
        return;
    }
    if (!g_isDeviceCommunicate) {
        showMessage(kTextCheckConnection);
        leave(3);
        return;
    }
    if (code == KeyTestThread::kTestRunning)
        showMessage(kTextKeyTesting);
    update();
}

void KeyCalibrationWin::ResetButSlot()
{
    if (!calibrating_ || leaving_)
        return;
    KeyCalibrationState& state = keyCalibrationState();
    state.stepBack();
    stepBackButton_->setButtonEnabled(state.index > 0 && state.index < state.targetCount);
    update();
}

void KeyCalibrationWin::ReturnButSlot()
{
    if (testing_)
        leave(3);
    else
        leave(g_bDevExist && g_isDeviceCommunicate ? 2 : 3);
}

void KeyCalibrationWin::leave(int code)
{
    if (leaving_)
        return;
    leaving_ = true;
    for (Button* b : {calibrateButton_, stepBackButton_, exitButton_})
        b->setButtonEnabled(false);
    setCursor(Qt::BusyCursor);
    stopThen(worker_, this, [this, code] {
        stopThen(tester_, this, [this, code] {
            if (scene_)
                scene_->pressPrintedKeys(false);
            emit sendShowData(code);
            closeAllowed_ = true;
            close();
        });
    });
}

void KeyCalibrationWin::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        ReturnButSlot();
        return;
    case Qt::Key_Tab:
        focus_->next();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        focus_->pressFocused();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void KeyCalibrationWin::closeEvent(QCloseEvent* event)
{
    if (closeAllowed_) {
        event->accept();
        return;
    }
    event->ignore();
    ReturnButSlot();
}

void KeyCalibrationWin::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), kPaper);
    const KeyState& key = tester_.keyState();
    key_schematic::draw(painter, schematic_, testing_ ? static_cast<int>(key.sideCode.load()) : 0,
                        testing_ ? key.keyNumber.load() : 0);
    const int index = keyCalibrationState().index;
    if (calibrating_ && index >= 0 && index < static_cast<int>(targets_.size())) {
        const shortcut_keys::KeyTarget& t = targets_[static_cast<size_t>(index)];
        key_schematic::drawHint(painter, QPoint(t.x, t.y), std::max(8, height() / 90));
    }
}
