#include "ui/calibration/CalibrationRunLogic.h"

#include "app/AppContext.h"
#include "app/SettingsFile.h"
#include "app/TextIds.h"
#include "device/DeviceState.h"

CalibrationRunLogic::CalibrationRunLogic(Device& device, CalibrationRunView& view,
                                         const CalibrationRunSetup& setup,
                                         CalibrationRunState& state)
    : device_(device), view_(view), setup_(setup), state_(state),
      full_(std::make_unique<CalibrationThread>(device, state)),
      fast_(std::make_unique<FastCalibrationThread>(device, state))
{
    for (CalibrationWorker* w : {static_cast<CalibrationWorker*>(full_.get()),
                                 static_cast<CalibrationWorker*>(fast_.get())})
        connect(
            w, &CalibrationWorker::sendData, this,
            [this](int code) {
                if (route_)
                    route_(code);
                else
                    handleCode(code);
            },
            Qt::QueuedConnection);
}

CalibrationRunLogic::~CalibrationRunLogic()
{
    full_->stopAndWait();
    fast_->stopAndWait();
}

CalibrationWorker& CalibrationRunLogic::currentWorker()
{
    return fastRun() ? static_cast<CalibrationWorker&>(*fast_)
                     : static_cast<CalibrationWorker&>(*full_);
}

CalibrationWorker& CalibrationRunLogic::otherWorker()
{
    return fastRun() ? static_cast<CalibrationWorker&>(*full_)
                     : static_cast<CalibrationWorker&>(*fast_);
}

bool CalibrationRunLogic::workerRunning() const
{
    return full_->isRunning() || fast_->isRunning();
}

void CalibrationRunLogic::start()
{
    lossLogged_ = false;
    g_CalDataInitSuc = 0;
    g_CalibrationProcessSuc = 0;
    readWaitFrameCount(SettingsFile::vireto());
    view_.setTypeCaption(fastRun() ? kText16Point : kText4Point);
    view_.setTypeButtonEnabled(false);
    view_.setStepBackEnabled(false);
    startCurrent();
}

void CalibrationRunLogic::startCurrent()
{
    CalibrationSetup s;
    s.width = setup_.width;
    s.height = setup_.height;
    s.sensorType = setup_.sensorType;
    s.saveImages = setup_.saveImages;
    if (!currentWorker().begin(s))
        appContext().log.logf("%s: the worker could not be started\n",
                              fastRun() ? "FastCalibrationThread" : "CalibrationThread");
}

void CalibrationRunLogic::stopWorkers(const std::function<void()>& done)
{
    stopThen(*full_, this, [this, done] { stopThen(*fast_, this, done); });
}

void CalibrationRunLogic::refreshStepBack()
{
    const int index = state_.index;
    view_.setStepBackEnabled(index > 0 && index < state_.targetCount());
}

void CalibrationRunLogic::showProgress()
{
    view_.showMessage(appContext().text(kTextSavingCalibration).arg(state_.progress.load()));
    view_.setTypeButtonEnabled(false);
    view_.setStepBackEnabled(false);
}

void CalibrationRunLogic::handleCode(int code)
{
    const AppContext& app = appContext();
    if (!g_bDevExist || !g_isDeviceCommunicate) {
        if (!lossLogged_)
            appContext().log.logf("Calibration failed: %s\n", g_bDevExist
                                                                  ? "the frame stopped answering"
                                                                  : "the frame was pulled out");
        lossLogged_ = true;
        view_.showMessage(app.text(g_bDevExist ? kTextCheckConnection : kTextPulledOut));
        if (!g_bDevExist)
            view_.leave();
        return;
    }
    switch (code) {
    case kCalShowTarget:
        if (g_CalDataInitSuc) {
            view_.showMessage(app.text(kTextTouchTheCross));
            view_.setTypeButtonEnabled(true);
            refreshStepBack();
            view_.repaintTargets();
        }
        return;
    case kCalInitFailed:
        view_.showMessage(app.text(kTextInitFailed));
        appContext().log.logf("Calibration init failed! g_CalDataInitSuc=%d\n",
                              g_CalDataInitSuc.load());
        return;
    case kCalProcessFailed:
        view_.showMessage(app.text(kTextEnvironmentFailure));
        appContext().log.logf("Calibration Process failed! g_CalibrationProcessSuc=%d\n",
                              g_CalibrationProcessSuc.load());
        view_.setStepBackEnabled(false);
        return;
    case kCalProgress:
        showProgress();
        return;
    case kCalStored:
        showProgress();
        appContext().log.logf("CalibrationWin::recvData(4)=%d\n", ++storedReports_);
        view_.reportToOwner(9);
        view_.leave();
        return;
    case kCalTypeSwitched:
        state_.reset();
        view_.setTypeButtonEnabled(false);
        view_.setStepBackEnabled(false);
        view_.showMessage(app.text(kTextInitialising));
        view_.repaintTargets();
        stopThen(otherWorker(), this, [this] { startCurrent(); });
        return;
    case kCalImageFailed:
        // The worker has logged "Calibration: GetPreviewData failed!".
        view_.showMessage(app.text(kTextLevelingFailed));
        return;
    default:
        return;
    }
}

void CalibrationRunLogic::switchType()
{
    const AppContext& app = appContext();
    if (fastRun()) {
        state_.fastMode = 0;
        view_.setTypeCaption(kText4Point);
    } else {
        if (!setup_.hasStoredRecord) {
            view_.warn(app.text(kTextWarning), app.text(kTextFirst16Point));
            return;
        }
        state_.fastMode = 1;
        view_.setTypeCaption(kText16Point);
    }
    // A running worker sees the change and ends with code 6, which starts the other
    // type; with none running (after a failure) the new type starts now.
    if (!workerRunning()) {
        state_.reset();
        view_.setTypeButtonEnabled(false);
        view_.setStepBackEnabled(false);
        view_.showMessage(app.text(kTextInitialising));
        view_.repaintTargets();
        startCurrent();
    }
}

bool CalibrationRunLogic::stepBack()
{
    const bool stepped = state_.stepBack();
    refreshStepBack();
    if (stepped)
        view_.repaintTargets();
    return stepped;
}

int CalibrationRunLogic::closingCode()
{
    if (g_bDevExist && g_isDeviceCommunicate) {
        appContext().log.logf("CalibrationWin::ReturnSlot():%d\n", ++returnReports_);
        return 2;
    }
    return 3;
}
