#include "ui/main/UserEditionLogic.h"

#include "app/AppContext.h"
#include "app/SettingsFile.h"
#include "app/TextIds.h"
#include "device/DeviceState.h"
#include "device/ModeSwitch.h"
#include "device/PresenceMonitor.h"

#include <memory>

namespace {

// ReturnSlot(): time for a run that is storing to finish, then for the frame to settle.
constexpr double kIdleWaitMs = 2100.0;
constexpr double kAfterStopMs = 500.0;

} // namespace

StatusTone toneOfText(int textIndex)
{
    switch (textIndex) {
    case kTextDeviceChecking:
    case kTextInitialising:
        return StatusTone::Waiting;
    case kTextCheckConnection:
    case kTextNotReady:
    case kTextNoFrame:
    case kTextInvalidCalibration:
    case kTextPulledOut:
    case kTextLevelingFailed:
    case kTextInitFailed:
    case kTextEnvironmentFailure:
    case kTextFirmwareTooOld:
    case kTextFirmwareTooNew:
    case kTextAdjustPlaneness:
    case kTextNoCalibrationBasis:
        return StatusTone::Warning;
    default:
        return StatusTone::Normal;
    }
}

const char* styleOfTone(StatusTone tone)
{
    switch (tone) {
    case StatusTone::Waiting:
        return "color:rgb(150,150,150)";
    case StatusTone::Warning:
        return "color:rgb(255,0,0)";
    case StatusTone::Normal:
        break;
    }
    return "color:rgb(0,38,102)";
}

UserEditionLogic::UserEditionLogic(Device& device, UserEditionView& view, int width, int height,
                                   int subFunction)
    : device_(device), view_(view), subFunction_(subFunction), width_(width), height_(height),
      main_(device, *this, 3), run_(device, *this, CalibrationRunSetup{})
{
    run_.routeWorkerCodes([this](int code) { handleWorkerCode(code); });
}

UserEditionLogic::~UserEditionLogic() = default;

void UserEditionLogic::status(int textIndex)
{
    view_.showStatus(appContext().text(textIndex).trimmed(), toneOfText(textIndex));
}

// --- recvShowData(int) ------------------------------------------------------------------

void UserEditionLogic::handleStatusCode(int code)
{
    switch (code) {
    case kCodeCheckStarted:
    case kCodeBootLoader:
    case kCodeNoFrame:
        main_.handleStatusCode(code);
        return;
    case kCodeReady:
        frameChecked();
        return;
    default:
        return;
    }
}

void UserEditionLogic::frameChecked()
{
    if (g_getStatusError) {
        status(kTextCheckConnection);
        return;
    }
    status(kTextInitialising);
    runStarted_ = false;
    view_.repaintTargets();
    if (leaving_)
        return;
    preparing_ = true;
    const int check = ++checks_;
    auto result = std::make_shared<edition_steps::UserPreparation>();
    Device* device = &device_;
    const int subFunction = subFunction_;
    view_.runDeviceJob(
        [device, result, subFunction] {
            *result = edition_steps::prepareUserCalibration(*device, subFunction);
            return result->failureText;
        },
        [this, result, check](int) {
            if (check != checks_ || leaving_)
                return; // a later check or the way out took over
            preparing_ = false;
            prepared(*result);
        });
}

void UserEditionLogic::prepared(const edition_steps::UserPreparation& p)
{
    if (p.imageVersion != 0) {
        const AppContext& app = appContext();
        view_.setVersionText(
            QStringLiteral(" %1     %2")
                .arg(toolVersionText(app.subVersion), edition_steps::firmwareText(p.imageVersion)));
    }
    if (p.failureText) {
        run_.stopWorkers([] {}); // a run from before the frame went does not go on
        status(p.failureText);
        return;
    }
    CalibrationRunSetup setup;
    setup.width = width_;
    setup.height = height_;
    setup.sensorType = p.sensorType;
    setup.hasStoredRecord = p.hasStoredRecord;
    run_.setSetup(setup);
    calibrationRunState().fastMode = p.fastMode;
    if (p.fastMode == 0 && subFunction_ != 2) {
        // No calibration is possible without a stored 16-point record.
        run_.stopWorkers([] {});
        status(kTextNoCalibrationBasis);
        view_.setTypeButtonEnabled(false);
        view_.setResetEnabled(false);
        return;
    }
    // A run of either type that still goes (a frame found again) ends first.
    runStarted_ = true;
    run_.stopWorkers([this] {
        if (!leaving_)
            run_.start();
    });
}

// --- recvData(int) ----------------------------------------------------------------------

void UserEditionLogic::handleWorkerCode(int code)
{
    if (const int trouble = frameTroubleText()) {
        status(trouble);
        return;
    }
    switch (code) {
    case kCalStored:
        view_.showStatus(appContext().text(kTextSavingCalibration).arg(100).trimmed(),
                         StatusTone::Normal);
        view_.setTypeButtonEnabled(false);
        view_.setResetEnabled(false);
        storeCalibrationType();
        return;
    case kUserCalInvalidData:
        status(kTextInvalidCalibration);
        return;
    case kUserCalStoreOptics: {
        Device* device = &device_;
        view_.runDeviceJob(
            [device] {
                if (!SwitchMode(*device, SaveMode)) {
                    appContext().log.log("Calibration :Switch to work mode failed!\n");
                    return 0;
                }
                if (!SwitchMode(*device, CalibrationMode)) {
                    appContext().log.log("Calibration :Switch to calibration mode failed!\n");
                    return 0;
                }
                return 1;
            },
            [this](int ok) {
                if (!ok)
                    status(kTextCheckConnection);
            });
        return;
    }
    case kUserCalNotPlane:
        status(kTextAdjustPlaneness);
        appContext().log.log("Calibration init failed! Module is not plane!");
        return;
    default:
        // 0, 1, 2, 3, 6 and 9 mean here what they mean in the calibration window.
        run_.handleCode(code);
        return;
    }
}

// The run was stored: the record and the settings remember its type, then the
// edition leaves as ReturnSlot() does.
void UserEditionLogic::storeCalibrationType()
{
    const int fastMode = calibrationRunState().fastMode;
    Device* device = &device_;
    view_.runDeviceJob(
        [device, fastMode] { return edition_steps::storeCalibrationType(*device, fastMode); },
        [this, fastMode](int stored) {
            if (!stored) {
                status(kTextCheckConnection);
                return;
            }
            SettingsFile::vireto().write(QStringLiteral("Vireto_Config"),
                                         QStringLiteral("FourCalib_en"), fastMode);
            status(kTextCalibrated);
            leave();
        });
}

// --- Slots ------------------------------------------------------------------------------

void UserEditionLogic::switchType()
{
    if (!leaving_ && !preparing_ && g_bDevExist)
        run_.switchType();
}

void UserEditionLogic::stepBack()
{
    if (!leaving_)
        run_.stepBack();
}

void UserEditionLogic::leave()
{
    if (leaving_)
        return;
    leaving_ = true;
    view_.setTypeButtonEnabled(false);
    view_.setResetEnabled(false);
    const bool switchBack = !bootLoaderSeen && g_bDevExist && g_isDeviceCommunicate;
    if (!switchBack) {
        view_.stopMonitor();
        run_.stopWorkers([this] { finishLeaving(false); });
        return;
    }
    // A run that is storing its record gets the time to finish.
    view_.after(kIdleWaitMs, [this] {
        view_.stopMonitor();
        run_.stopWorkers([this] { view_.after(kAfterStopMs, [this] { finishLeaving(true); }); });
    });
}

void UserEditionLogic::finishLeaving(bool switchBack)
{
    auto end = [this] {
        appContext().log.log("Vireto log end!\n");
        view_.closeWindow();
    };
    if (!switchBack) {
        end();
        return;
    }
    Device* device = &device_;
    view_.runDeviceJob([device] { return SwitchMode(*device, WorkMode); },
                       [this, end](int ok) {
                           if (!ok) {
                               status(kTextCheckConnection);
                               appContext().log.logf(
                                   "Switch to work mode failed! g_isSwitchMode=%d\n",
                                   g_isSwitchMode.load());
                           }
                           end();
                       });
}

// --- CalibrationRunView -----------------------------------------------------------------

void UserEditionLogic::showMessage(const QString& text)
{
    // The run logic shows language-table texts: their tone is found by their wording.
    const AppContext& app = appContext();
    StatusTone tone = StatusTone::Normal;
    for (int index : {kTextPulledOut, kTextCheckConnection, kTextInitFailed,
                      kTextEnvironmentFailure, kTextLevelingFailed, kTextInitialising})
        if (app.text(index).trimmed() == text.trimmed())
            tone = toneOfText(index);
    view_.showStatus(text.trimmed(), tone);
}

void UserEditionLogic::setTypeButtonEnabled(bool enabled)
{
    view_.setTypeButtonEnabled(enabled && !leaving_);
}

void UserEditionLogic::setTypeCaption(int textIndex)
{
    view_.setTypeCaption(textIndex);
}

void UserEditionLogic::setStepBackEnabled(bool enabled)
{
    view_.setResetEnabled(enabled && !leaving_);
}

void UserEditionLogic::repaintTargets()
{
    view_.repaintTargets();
}

void UserEditionLogic::reportToOwner(int)
{
    // The run logic reports a stored run (9) only on code 4, which is handled above.
}

void UserEditionLogic::warn(const QString& title, const QString& text)
{
    view_.warn(title, text);
}

// --- MainWindowView ---------------------------------------------------------------------

void UserEditionLogic::showStatusText(int textIndex)
{
    status(textIndex);
}

void UserEditionLogic::runDeviceJob(std::function<int()> work, std::function<void(int)> done)
{
    view_.runDeviceJob(std::move(work), std::move(done));
}
