#include "ui/main/MainWindowLogic.h"

#include "app/AppContext.h"
#include "app/SettingsFile.h"
#include "app/TextIds.h"
#include "device/Delay.h"
#include "device/DeviceState.h"
#include "device/PresenceMonitor.h"
#include "device/StatusCheck.h"
#include "ui/main/EditionSteps.h"

#include <algorithm>
#include <map>
#include <memory>
#include <vector>

ProcessValue<int> g_WriteDeviceInfo{0};
ProcessValue<int> g_AmendDeviceInfo{0};
ProcessValue<int> g_IsReProduction{1};

void resetMainWindowState()
{
    resetToStart(g_WriteDeviceInfo, g_AmendDeviceInfo, g_IsReProduction);
}

namespace {

const QString kConfig = QStringLiteral("Vireto_Config");

// What a mode switch on the job thread asked the window to show, shown afterwards on
// the GUI thread in the same order.
class RecordedSwitch : public ModeSwitchObserver {
public:
    void deviceNotDetected() override { steps_.push_back(-1); }
    void showText(int textIndex) override { steps_.push_back(textIndex); }
    void replay(ModeSwitchObserver& to) const
    {
        for (int step : steps_) {
            if (step < 0)
                to.deviceNotDetected();
            else
                to.showText(step);
        }
    }

private:
    std::vector<int> steps_;
};

} // namespace

QString aboutTextOf(const ModuleVersions& v)
{
    const AppContext& app = appContext();
    auto fill = [](const QString& t, uint32_t word) {
        return QString(t).arg(word >> 24).arg((word >> 16) & 0xFF).arg(word & 0xFFFF);
    };
    return app.text(kTextToolId) + toolVersionText(app.subVersion) + QStringLiteral("\n") +
           QStringLiteral("(M)") + fill(app.text(kTextFirmwareId), v.image) +
           fill(app.text(kTextBootLoaderId), v.bootLoader);
}

MainWindowLogic::MainWindowLogic(Device& device, MainWindowView& view, int toolMode)
    : device_(device), view_(view), toolMode_(toolMode)
{
}

void MainWindowLogic::showText(int textIndex)
{
    currentText_ = textIndex;
    view_.showStatusText(textIndex);
}

void MainWindowLogic::deviceNotDetected()
{
    handleStatusCode(kShowNoFrame);
}

void MainWindowLogic::switchModeInBackground(uint8_t mode, std::function<void(int)> then)
{
    auto recorded = std::make_shared<RecordedSwitch>();
    Device* device = &device_;
    view_.runDeviceJob(
        [device, mode, recorded] { return SwitchMode(*device, mode, recorded.get()); },
        [this, recorded, then](int ok) {
            recorded->replay(*this);
            if (then)
                then(ok);
        });
}

void MainWindowLogic::switchModeOrWarn(uint8_t mode, int failureText, const char* logPrefix)
{
    switchModeInBackground(mode, [this, failureText, logPrefix](int ok) {
        if (ok)
            return;
        showText(failureText);
        appContext().log.logf("%sSwitch to work mode failed! g_isSwitchMode=%d\n", logPrefix,
                              g_isSwitchMode.load());
    });
}

void MainWindowLogic::runBusy(std::function<int()> work, std::function<void(int)> done)
{
    busy_ = true;
    view_.setBusy(true);
    view_.runDeviceJob(std::move(work), [this, done = std::move(done)](int result) {
        busy_ = false;
        view_.setBusy(false);
        if (done)
            done(result);
    });
}

bool MainWindowLogic::frameUsable(bool requiresCommunication)
{
    if (busy_)
        return false;
    if (requiresCommunication && !g_isDeviceCommunicate) {
        showText(kTextCheckConnection);
        return false;
    }
    if (!g_bDevExist) {
        handleStatusCode(kShowNoFrame);
        return false;
    }
    return true;
}

bool MainWindowLogic::guard(bool requiresCommunication)
{
    if (!frameUsable(requiresCommunication))
        return false;
    if (toolMode_ == 2)
        view_.stopPanelWorkers();
    return true;
}

void MainWindowLogic::frameGone(bool logOpenFailure)
{
    updatePending = 0;
    bootLoaderSeen = 0;
    view_.clearSelection();
    showText(kTextNoFrame);
    if (toolMode_ == 0 || toolMode_ == 1)
        view_.setMenuButtonsEnabled(false);
    if (toolMode_ == 5)
        view_.setUpdateButtonEnabled(false);
    view_.hideProgress();
    if (logOpenFailure)
        appContext().log.log("Open hid device failed!\n");
}

void MainWindowLogic::frameReady()
{
    showText(g_getStatusError ? kTextCheckConnection : kTextReady);
    updatePending = 0;
    bootLoaderSeen = 0;
    view_.clearSelection();
    if (toolMode_ == 0 || toolMode_ == 1)
        view_.setMenuButtonsEnabled(true);
    if (toolMode_ == 5)
        view_.setUpdateButtonEnabled(true);
    view_.hideProgress();
    const SettingsFile ini = SettingsFile::vireto();
    g_WriteDeviceInfo =
        ini.readInt(QStringLiteral("Vireto_Debug"), QStringLiteral("WriteDeviceInfo"), 0);
    g_AmendDeviceInfo =
        ini.readInt(QStringLiteral("Vireto_Debug"), QStringLiteral("AmendDeviceInfo"), 0);
    g_IsReProduction =
        ini.readInt(QStringLiteral("Vireto_Debug"), QStringLiteral("IsReProduction"), 1);
}

// The calibration window stored a run: the record remembers which type it was.
void MainWindowLogic::storeCalibrationType()
{
    const int fastMode = fastMode_();
    Device* device = &device_;
    view_.runDeviceJob(
        [device, fastMode] { return edition_steps::storeCalibrationType(*device, fastMode); },
        [this, fastMode](int stored) {
            if (!stored) {
                showText(kTextCheckConnection);
                return;
            }
            SettingsFile::vireto().write(kConfig, QStringLiteral("FourCalib_en"), fastMode);
            showText(kTextCalibrated);
        });
}

void MainWindowLogic::handleStatusCode(int code)
{
    using Handler = void (MainWindowLogic::*)(int);
    static const std::map<int, Handler> handlers = {
        {kShowLeveled, &MainWindowLogic::onLeveled},
        {kShowWindowClosed, &MainWindowLogic::onWindowClosed},
        {kShowAbsentDuringUpdate, &MainWindowLogic::onAbsentDuringUpdate},
        {kShowReset, &MainWindowLogic::onReset},
        {kShowLeftToCalibration, &MainWindowLogic::onWindowLeft},
        {kShowLeftToWork, &MainWindowLogic::onWindowLeft},
        {kShowCheckStarted, &MainWindowLogic::onCheckStarted},
        {kShowInvalidCalibration, &MainWindowLogic::onInvalidCalibration},
        {kShowCalibrated, &MainWindowLogic::onCalibrated},
        {kShowReady, &MainWindowLogic::onReady},
        {kShowBootLoader, &MainWindowLogic::onBootLoader},
        {kShowNoFrame, &MainWindowLogic::onNoFrame},
    };
    const auto it = handlers.find(code);
    if (it != handlers.end())
        (this->*(it->second))(code);
}

void MainWindowLogic::onLeveled(int)
{
    showText(kTextLeveled);
    // The frame stores its optical parameters off the GUI thread, before the switch
    // to work mode that the window's closing (code 2) queues behind it.
    switchModeOrWarn(SaveMode, kTextCheckConnection);
}

void MainWindowLogic::onWindowClosed(int)
{
    switchModeOrWarn(WorkMode, kTextEnvironmentFailure);
}

// The frame stayed away during a firmware update: the update is abandoned and the
// monitor looks for the frame afresh.
void MainWindowLogic::onAbsentDuringUpdate(int)
{
    if (!g_bDevExist) {
        // The pause lets the frame's going settle; it is not spent on the GUI thread.
        view_.runDeviceJob(
            [] {
                delay::wait(200.0);
                return 0;
            },
            [this](int) {
                checkState = FIRST_OPEN_TOOL;
                frameGone(false);
            });
    }
}

void MainWindowLogic::onReset(int)
{
    reset();
}

void MainWindowLogic::onWindowLeft(int code)
{
    if (!g_bDevExist || !g_isDeviceCommunicate)
        return;
    switchModeOrWarn(code == kShowLeftToCalibration ? CalibrationMode : WorkMode,
                     kTextEnvironmentFailure, "Leveling exit:");
}

void MainWindowLogic::onCheckStarted(int)
{
    showText(kTextDeviceChecking);
}

void MainWindowLogic::onInvalidCalibration(int)
{
    updatePending = 0;
    showText(kTextInvalidCalibration);
}

void MainWindowLogic::onCalibrated(int)
{
    storeCalibrationType();
}

void MainWindowLogic::onReady(int)
{
    if (!updatePending)
        frameReady();
}

void MainWindowLogic::onBootLoader(int)
{
    bootLoaderSeen = 1;
    if (updatePending) {
        view_.continueFirmwareUpdate();
    } else {
        showText(kTextNotReady);
        view_.clearSelection();
    }
}

void MainWindowLogic::onNoFrame(int)
{
    if (!updatePending) {
        g_bDevExist = 0;
        frameGone(true);
    }
}

namespace {

// The equipment test's device side, on the job thread: returns the end text, 0 when
// the frame did not switch to calibration mode (the switch's own text says why).
int runEquipmentTest(Device& device, ModeSwitchObserver& observer)
{
    if (!SwitchMode(device, CalibrationMode, &observer))
        return 0;
    int result = kTextTestPassed;
    const int texts[2][2] = {{kTextLeftSensorBad, kTextLeftFpgaBad},
                             {kTextRightSensorBad, kTextRightFpgaBad}};
    for (Side side : {Side::Master, Side::Slave}) {
        FrameCommands& c = device.commands;
        uint8_t v = 0;
        // Every step runs, so that the FPGA register is written back even after a failure.
        const int sensor[] = {c.I2C_Read(side, 0x0A, v), c.I2CWrite(side, 0x19, 0x3A),
                              c.I2C_Read(side, 0x19, v)};
        if (std::find(std::begin(sensor), std::end(sensor), 0) != std::end(sensor))
            result = texts[static_cast<int>(side)][0];
        const int fpga[] = {c.FPGASingleRead(side, 0x35, v), c.FPGAPortWrite(side, 0x35, 0x1F),
                            c.FPGASingleRead(side, 0x35, v), c.FPGAPortWrite(side, 0x35, 0x0F)};
        if (std::find(std::begin(fpga), std::end(fpga), 0) != std::end(fpga))
            result = texts[static_cast<int>(side)][1];
    }
    if (device.link.lastCallLostTheFrame())
        markDeviceLost();
    // A frame left out of work mode has touch off: the test has not ended well.
    if (!SwitchMode(device, WorkMode, &observer)) {
        appContext().log.logf("Switch to work mode failed! g_isSwitchMode=%d\n",
                              g_isSwitchMode.load());
        result = kTextEnvironmentFailure;
    }
    return result;
}

} // namespace

bool MainWindowLogic::equipmentTest(std::function<void(int)> done)
{
    if (!guard(false))
        return false;
    // The wait is what the operator sees until the frame has answered.
    showText(kTextTesting);
    auto recorded = std::make_shared<RecordedSwitch>();
    Device* device = &device_;
    runBusy([device, recorded] { return runEquipmentTest(*device, *recorded); },
            [this, recorded, done](int result) {
                recorded->replay(*this);
                if (result)
                    showText(result);
                if (done)
                    done(result);
            });
    return true;
}

bool MainWindowLogic::reset(std::function<void(int)> done)
{
    if (!guard(true))
        return false;
    auto recorded = std::make_shared<RecordedSwitch>();
    Device* device = &device_;
    runBusy([device, recorded] { return SwitchMode(*device, ResetMode, recorded.get()); },
            [this, recorded, done](int ok) {
                recorded->replay(*this);
                const int text = ok ? kTextResetDone : kTextResetFailed;
                showText(text);
                if (done)
                    done(text);
            });
    return true;
}

bool MainWindowLogic::about(std::function<void(const QString&)> show)
{
    if (!guard(false))
        return false;
    enum { kSwitchFailed = 0, kShown = 1, kUnreadable = 2, kShownNotInWorkMode = 3 };
    auto recorded = std::make_shared<RecordedSwitch>();
    auto versions = std::make_shared<ModuleVersions>();
    Device* device = &device_;
    // The frame goes back to work mode before the box opens, so that its touch works
    // while the operator reads it.
    runBusy(
        [device, recorded, versions] {
            if (!SwitchMode(*device, CalibrationMode, recorded.get()))
                return int(kSwitchFailed);
            // Unreadable versions are not shown as 255.255.65535.
            const bool read = device->blocks.readVersions(Side::Master, *versions);
            if (read)
                appContext().log.logf("BootloaderID: V%d.%d.%d\n", versions->bootLoader >> 24,
                                      (versions->bootLoader >> 16) & 0xFF,
                                      versions->bootLoader & 0xFFFF);
            if (!SwitchMode(*device, WorkMode)) {
                if (!read)
                    return int(kUnreadable);
                appContext().log.logf("Switch to work mode failed! g_isSwitchMode=%d\n",
                                      g_isSwitchMode.load());
                return int(kShownNotInWorkMode);
            }
            return read ? int(kShown) : int(kUnreadable);
        },
        [this, recorded, versions, show](int outcome) {
            recorded->replay(*this);
            if (outcome == kSwitchFailed)
                return;
            if (outcome == kUnreadable) {
                showText(kTextCheckConnection);
                return;
            }
            if (outcome == kShownNotInWorkMode)
                showText(kTextEnvironmentFailure);
            if (show)
                show(aboutTextOf(*versions));
        });
    return true;
}

QString MainWindowLogic::statusLine(Device& device)
{
    TestCommunication(device);
    const QByteArray line = QByteArray("GetStatus! g_ErrorCode = 0x") +
                            QByteArray::number(g_ErrorCode.load(), 16) + "\n";
    appContext().log.log(line.constData());
    return QString::fromLatin1(line);
}

bool MainWindowLogic::requestStatus(std::function<void(const QString&)> show)
{
    if (!guard(true))
        return false;
    auto line = std::make_shared<QString>();
    Device* device = &device_;
    runBusy(
        [device, line] {
            *line = statusLine(*device);
            return 1;
        },
        [line, show](int) {
            if (show)
                show(*line);
        });
    return true;
}

MainWindowLogic::CloseStep MainWindowLogic::closeStep() const
{
    if (!g_isDeviceCommunicate || !g_bDevExist)
        return CloseStep::CloseNow;
    if (updatePending)
        return CloseStep::RefuseUpdating;
    return CloseStep::Ask;
}

void MainWindowLogic::closeWithoutFrame()
{
    appContext().log.log("Vireto log end!\n");
}

void MainWindowLogic::closeConfirmed(const QString& lastImagePath, std::function<void()> done)
{
    Device* device = &device_;
    runBusy([device] { return SwitchMode(*device, WorkMode); },
            [lastImagePath, done](int ok) {
                if (!ok)
                    appContext().log.logf(
                        "closeEvent :Switch to work mode failed! g_isSwitchMode=%d\n",
                        g_isSwitchMode.load());
                SettingsFile::vireto().write(QStringLiteral("ImagePath"),
                                             QStringLiteral("imagePath"), lastImagePath);
                appContext().log.log("Vireto log end!\n");
                if (done)
                    done();
            });
}
