#include "ui/calibration/KeyCalibrationWin.h"

#include "app/AppContext.h"
#include "app/SettingsFile.h"
#include "app/TextIds.h"
#include "calibration/CalibrationRunState.h"
#include "calibration/StoredRecord.h"
#include "device/DeviceJobQueue.h"
#include "device/DeviceState.h"
#include "device/ModeSwitch.h"
#include "transport/VirtualScene.h"
#include "ui/widgets/Button.h"
#include "ui/widgets/SkinnedParts.h"

#include <QPainter>

#include <memory>

KeyCalibrationWin::KeyCalibrationWin(Device& device, DeviceJobQueue& jobs, VirtualScene* scene,
                                     QScreen* screen, QWidget* parent)
    : KeySchematicWindow(appContext().text(kTextShortcuts), screen, parent), device_(device),
      jobs_(jobs), scene_(scene), worker_(device), tester_(device)
{
    const AppContext& app = appContext();
    calibrateButton_ = skinned_parts::pushButton(this, QRect(), false);
    calibrateButton_->setCaption(app.text(kTextCalibrate));
    stepBackButton_ = skinned_parts::pushButton(this, QRect(), false);
    stepBackButton_->setCaption(app.text(kTextStepBack));
    stepBackButton_->setButtonEnabled(false);
    exitButton_ = skinned_parts::pushButton(this, QRect(), false);
    exitButton_->setCaption(app.text(kTextExit));
    for (Button* b : {calibrateButton_, stepBackButton_, exitButton_})
        b->show();
    connect(calibrateButton_, &Button::clicked, this, &KeyCalibrationWin::CalibrationButSlot);
    connect(stepBackButton_, &Button::clicked, this, &KeyCalibrationWin::ResetButSlot);
    connect(exitButton_, &Button::clicked, this, &KeyCalibrationWin::ReturnButSlot);
    placeButtons({calibrateButton_, stepBackButton_, exitButton_});
    setFocusButtons({calibrateButton_, stepBackButton_, exitButton_});
    connect(&worker_, &KeyCalibrationThread::sendData, this, &KeyCalibrationWin::recvData,
            Qt::QueuedConnection);
    connect(&tester_, &KeyTestThread::sendData, this, &KeyCalibrationWin::testCode,
            Qt::QueuedConnection);
    showHint(kTextKeySchematicHint);
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

void KeyCalibrationWin::setBusy(bool busy)
{
    busy_ = busy;
    setBusyLook(busy);
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
                if (g_bDevExist)
                    fail(kTextKeyReadFailed, "reading the stored calibration failed");
                else
                    fail(kTextPulledOut, "the frame was pulled out");
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
        showMessage(start.problem);
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
    showHint(kTextKeyProjectionHint);
    if (!worker_.begin(start.setup)) {
        calibrating_ = false;
        showMessage(worker_.lastError());
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
        fail(kTextPulledOut, "the frame was pulled out");
        leaveWith(3);
        return;
    }
    KeyCalibrationState& state = keyCalibrationState();
    switch (code) {
    case kKeyShowTarget:
        if (calibrating_ && g_CalDataInitSuc)
            showMessage(kTextKeyPenHint);
        break;
    case kKeyInitFailed:
        endFailedRun();
        showMessage(kTextInitFailed);
        appContext().log.logf("Calibration init failed! g_CalDataInitSuc=%d\n",
                              g_CalDataInitSuc.load());
        break;
    case kKeyProcessFailed:
        endFailedRun();
        showMessage(kTextEnvironmentFailure);
        appContext().log.logf("Calibration Process failed! g_CalibrationProcessSuc=%d\n",
                              g_CalibrationProcessSuc.load());
        break;
    case kKeyProgress:
        showMessage(app.text(kTextSavingCalibration).arg(state.progress.load()));
        break;
    case kKeyStored:
        startTest();
        break;
    case kKeyReadFailed:
        endFailedRun();
        fail(kTextKeyReadFailed, "reading the key information failed");
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
                setFocusButtons({exitButton_});
                placeButtons({exitButton_});
                showHint(kTextKeyTestHint);
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
        fail(kTextPulledOut, "the frame was pulled out during the key test");
        leaveWith(3);
        return;
    }
    if (!g_isDeviceCommunicate) {
        fail(kTextCheckConnection, "the frame stopped answering during the key test");
        leaveWith(3);
        return;
    }
    if (code == KeyTestThread::kTestRunning)
        showMessage(kTextKeyTesting);
    update();
}

// The worker stops after a failure: Calibrate is offered again, as its text asks.
void KeyCalibrationWin::endFailedRun()
{
    calibrating_ = false;
    setBusy(false);
}

void KeyCalibrationWin::fail(int textIndex, const char* cause)
{
    showMessage(textIndex);
    appContext().log.logf("Key calibration failed: %s\n", cause);
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
        leaveWith(3);
    else
        leaveWith(g_bDevExist && g_isDeviceCommunicate ? 2 : 3);
}

void KeyCalibrationWin::leaveWith(int code)
{
    if (leaving_)
        return;
    leaving_ = true;
    for (Button* b : {calibrateButton_, stepBackButton_, exitButton_})
        b->setButtonEnabled(false);
    setBusyLook(true);
    stopThen(worker_, this, [this, code] {
        stopThen(tester_, this, [this, code] {
            if (scene_)
                scene_->pressPrintedKeys(false);
            emit sendShowData(code);
            closeNow();
        });
    });
}

std::pair<int, int> KeyCalibrationWin::pressedKey() const
{
    if (!testing_)
        return {0, 0};
    return {static_cast<int>(tester_.keyState().sideCode.load()),
            tester_.keyState().keyNumber.load()};
}

void KeyCalibrationWin::paintOver(QPainter& painter)
{
    const int index = keyCalibrationState().index;
    if (!calibrating_ || index < 0 || index >= static_cast<int>(targets_.size()))
        return;
    const shortcut_keys::KeyTarget& t = targets_[static_cast<size_t>(index)];
    const int radius = std::max(8, height() / 90);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(255, 0, 0), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QPoint(t.x, t.y), radius, radius);
    painter.drawEllipse(QPoint(t.x, t.y), 2, 2);
    painter.restore();
}
