#pragma once

#include "app/ProcessValue.h"
#include "device/Device.h"
#include "device/ModeSwitch.h"
#include "device/PresenceMonitor.h"

#include <QString>

#include <atomic>
#include <functional>

// Settings read when a frame is ready (code 13), used after leveling.
extern ProcessValue<int> g_WriteDeviceInfo;
extern ProcessValue<int> g_AmendDeviceInfo;
extern ProcessValue<int> g_IsReProduction;
// Puts those back as at program start.
void resetMainWindowState();

// The codes a main window's recvShowData(int) handles: from its device-check worker
// (the MonitorCode values) and from the secondary windows it opens.
enum MainWindowCode {
    kShowLeveled = 1,                                  // image-adjusting window: saved
    kShowWindowClosed = 2,                             // a secondary window closed
    kShowAbsentDuringUpdate = kCodeAbsentDuringUpdate, // monitor, or a settings window closing
    kShowReset = 4,                                    // a secondary window asks for a reset
    kShowLeftToCalibration = 5,                        // a secondary window was left ...
    kShowLeftToWork = 6,                               // ... in calibration or in work mode
    kShowCheckStarted = kCodeCheckStarted,
    kShowInvalidCalibration = 8, // the monitor found invalid calibration data
    kShowCalibrated = 9,         // calibration window: the run was stored
    kShowReady = kCodeReady,
    kShowBootLoader = kCodeBootLoader,
    kShowNoFrame = kCodeNoFrame,
};

// The about box's text for the Master module's versions: tool, firmware, boot loader.
QString aboutTextOf(const ModuleVersions& versions);

// What a main window shows and enables; the window implements it and stays thin.
class MainWindowView {
public:
    virtual ~MainWindowView() = default;
    // A language-table text in the status line (remembered for a language change).
    virtual void showStatusText(int textIndex) = 0;
    // The menu buttons of the user and production layouts.
    virtual void setMenuButtonsEnabled(bool enabled) = 0;
    // The Update push button of the update station.
    virtual void setUpdateButtonEnabled(bool enabled) = 0;
    virtual void hideProgress() = 0;
    virtual void clearSelection() = 0;
    // The frame came back in its boot loader during a firmware update: the update goes
    // on (its boot-loader step, then its worker).
    virtual void continueFirmwareUpdate() = 0;
    // Stops the engineering panels' workers (preview, FPGA download, script).
    virtual void stopPanelWorkers() = 0;
    // A device function the operator started runs (the window shows it is busy).
    virtual void setBusy(bool) {}
    // Runs device work off the GUI thread (the window's job queue) and hands its result
    // to done on the GUI thread. Without a queue (headless users) it runs at once.
    virtual void runDeviceJob(std::function<int()> work, std::function<void(int)> done)
    {
        const int result = work();
        if (done)
            done(result);
    }
};

// The device side of a main window, shared by the editions: the guard in front of
// every device function, the status codes of recvShowData(int), the equipment test,
// the reset, the about text and the close decision. No widget in here.
class MainWindowLogic : public ModeSwitchObserver {
public:
    MainWindowLogic(Device& device, MainWindowView& view, int toolMode);

    // Guard in front of a device function. requiresCommunication: Reset, Set,
    // Calibrate and the engineering panels first need a frame that answers.
    bool guard(bool requiresCommunication);
    // The guard's checks of the frame, without stopping the panels' workers (the
    // register panel works beside the raw preview).
    bool frameUsable(bool requiresCommunication);

    // recvShowData(int) of the engineering window.
    void handleStatusCode(int code);

    // The operator's device functions (test, reset, versions, GetStatus, leaving) run
    // off the GUI thread, one at a time: while one runs the window shows it is busy and
    // every other device function is refused silently (repeated presses do nothing).
    bool busy() const { return busy_; }

    // TestButSlot(): both probe groups per side. False when refused; the end text is
    // shown when the frame has answered and also handed to done.
    bool equipmentTest(std::function<void(int)> done = {});
    // ResetButSlot(): shows 33 or 32 when done. False when refused.
    bool reset(std::function<void(int)> done = {});
    // AboutButSlot(): the versions are read, the frame is back in work mode, then show
    // gets the about text (not called when the guard, the switch or the read failed).
    bool about(std::function<void(const QString&)> show);
    // FingerIntoButSlot() (GetStatus): the frame is given seconds to answer its status;
    // show gets the line for the log area (also written to the log).
    bool requestStatus(std::function<void(const QString&)> show);
    static QString statusLine(Device& device);

    enum class CloseStep { CloseNow, RefuseUpdating, Ask };
    // What closeEvent does first.
    CloseStep closeStep() const;
    // After the operator confirmed, with the window's workers stopped: work mode, image
    // path, end line, off the GUI thread; then done runs.
    void closeConfirmed(const QString& lastImagePath, std::function<void()> done);
    // Closing without a usable frame: only the end line.
    void closeWithoutFrame();

    // The run type of the last calibration (1 = 4-point), for code 9.
    void setFastModeSource(std::function<int()> source) { fastMode_ = std::move(source); }

    int currentTextIndex() const { return currentText_; }

    // ModeSwitchObserver
    void deviceNotDetected() override;
    void showText(int textIndex) override;

private:
    // The same switch as a device job; its messages are shown once it is done, then
    // then(result) runs.
    void switchModeInBackground(uint8_t mode, std::function<void(int)> then);
    // The same, where a refusal shows failureText and logs logPrefix followed by
    // "Switch to work mode failed! g_isSwitchMode=N".
    void switchModeOrWarn(uint8_t mode, int failureText, const char* logPrefix = "");
    // A device function of the operator: busy until done has run.
    void runBusy(std::function<int()> work, std::function<void(int)> done);
    // The composed about text from the versions read.

    void frameGone(bool logOpenFailure);
    void frameReady();
    void storeCalibrationType();

    // One handler per code of recvShowData(int).
    void onLeveled(int code);
    void onWindowClosed(int code);
    void onAbsentDuringUpdate(int code);
    void onReset(int code);
    void onWindowLeft(int code);
    void onCheckStarted(int code);
    void onInvalidCalibration(int code);
    void onCalibrated(int code);
    void onReady(int code);
    void onBootLoader(int code);
    void onNoFrame(int code);

    Device& device_;
    MainWindowView& view_;
    int toolMode_;
    int currentText_ = 0;
    bool busy_ = false;
    std::function<int()> fastMode_ = [] { return 0; };
};
