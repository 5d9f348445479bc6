#pragma once

#include "ui/calibration/CalibrationRunLogic.h"
#include "ui/main/EditionSteps.h"
#include "ui/main/MainWindowLogic.h"

#include <QObject>
#include <QString>

#include <functional>

// How the user edition's status line reads: the normal colour, grey while it waits for
// the frame, red for a failure or a warning.
enum class StatusTone { Normal, Waiting, Warning };
StatusTone toneOfText(int textIndex);
// The style sheet of a tone.
const char* styleOfTone(StatusTone tone);

// What the user edition's window shows and does; the window implements it.
class UserEditionView {
public:
    virtual ~UserEditionView() = default;
    virtual void showStatus(const QString& text, StatusTone tone) = 0;
    virtual void setVersionText(const QString& text) = 0;
    virtual void setTypeButtonEnabled(bool enabled) = 0;
    // The calibration-type button names the type it switches to: text 115 or 114.
    virtual void setTypeCaption(int textIndex) = 0;
    virtual void setResetEnabled(bool enabled) = 0;
    virtual void repaintTargets() = 0;
    virtual void warn(const QString& title, const QString& text) = 0;
    // Stops the device-check worker (waiting for it).
    virtual void stopMonitor() = 0;
    // Runs device work off the GUI thread and hands its result to done on it. Headless
    // users run it at once.
    virtual void runDeviceJob(std::function<int()> work, std::function<void(int)> done)
    {
        const int result = work();
        if (done)
            done(result);
    }
    // Runs then after ms (scaled like the protocol waits); headless users run it at once.
    virtual void after(double ms, std::function<void()> then)
    {
        (void)ms;
        then();
    }
    // The last step of ReturnSlot(): the window goes.
    virtual void closeWindow() = 0;
};

// The codes the calibration workers send to the user edition's recvData(int), beyond
// those of CalibrationCode.
enum UserCalibrationCode {
    kUserCalInvalidData = 5, // the frame restored its earlier calibration
    kUserCalStoreOptics = 7, // the frame is to store its optical parameters
    kUserCalNotPlane = 8,    // the modules are not level with each other
};

// The user edition's side: the device-check codes it handles, the preparation at code
// 13 that picks and starts the calibration run, the calibration workers' codes, the
// run-type switch, the step back and the way out. No widget in here.
class UserEditionLogic : public QObject, private CalibrationRunView, private MainWindowView {
    Q_OBJECT
public:
    // width, height: the screen being calibrated. subFunction: 0 "-UU", 1 "-4cal",
    // 2 "-16cal".
    UserEditionLogic(Device& device, UserEditionView& view, int width, int height, int subFunction);
    ~UserEditionLogic() override;

    // recvShowData(int): codes 7, 13, 14 and 15 of the device-check worker.
    void handleStatusCode(int code);
    // recvData(int): the calibration workers' codes.
    void handleWorkerCode(int code);
    // CalTypeSlot(), ResetSlot(), ReturnSlot().
    void switchType();
    void stepBack();
    // Also the run logic's way out.
    void leave() override;

    CalibrationRunLogic& run() { return run_; }
    const CalibrationRunLogic& run() const { return run_; }
    bool leaving() const { return leaving_; }
    // A preparation for a run is under way (code 13 arrived, the device steps run).
    bool preparing() const { return preparing_; }
    // A run was started for the frame as it is now: its targets are worth drawing.
    bool runStarted() const { return runStarted_; }

private:
    void frameChecked();
    void prepared(const edition_steps::UserPreparation& p);
    void storeCalibrationType();
    void finishLeaving(bool switchBack);
    void status(int textIndex);

    // CalibrationRunView
    void showMessage(const QString& text) override;
    void setTypeCaption(int textIndex) override;
    void setStepBackEnabled(bool enabled) override;
    void repaintTargets() override;
    void reportToOwner(int code) override;
    void warn(const QString& title, const QString& text) override;
    void setTypeButtonEnabled(bool enabled) override;

    // MainWindowView
    void showStatusText(int textIndex) override;
    void setMenuButtonsEnabled(bool) override {}
    void setUpdateButtonEnabled(bool) override {}
    void hideProgress() override {}
    void clearSelection() override {}
    void continueFirmwareUpdate() override {}
    void stopPanelWorkers() override {}
    void runDeviceJob(std::function<int()> work, std::function<void(int)> done) override;

    Device& device_;
    UserEditionView& view_;
    int subFunction_;
    int width_;
    int height_;
    MainWindowLogic main_;
    CalibrationRunLogic run_;
    bool preparing_ = false;
    bool runStarted_ = false;
    bool leaving_ = false;
    int checks_ = 0; // code 13s seen: a preparation answers only the latest
};
