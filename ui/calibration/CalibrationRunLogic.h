#pragma once

#include "calibration/CalibrationRunState.h"
#include "calibration/CalibrationWorker.h"
#include "device/Device.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

// What a window running calibrations shows; the window implements it and stays thin.
class CalibrationRunView {
public:
    virtual ~CalibrationRunView() = default;
    virtual void showMessage(const QString& text) = 0;
    virtual void setTypeButtonEnabled(bool enabled) = 0;
    // The run-type button names the type it switches to: text 115 or 114.
    virtual void setTypeCaption(int textIndex) = 0;
    virtual void setStepBackEnabled(bool enabled) = 0;
    virtual void repaintTargets() = 0;
    // sendShowData(int) to the owner.
    virtual void reportToOwner(int code) = 0;
    // ReturnSlot(): leave the window.
    virtual void leave() = 0;
    // A one-button warning box.
    virtual void warn(const QString& title, const QString& text) = 0;
};

// What the owner found out before it opened the calibration window.
struct CalibrationRunSetup {
    int width = 0; // the screen being calibrated
    int height = 0;
    int sensorType = 0;
    bool saveImages = false;      // Vireto_Debug/GetImageData
    bool hasStoredRecord = false; // the sensor information block carries "FIWF"
};

// The calibration window's side of the two runs, shared by the windows that run them:
// owns both workers, starts the one of the current type, turns their codes into texts,
// log lines and button states, switches the type, steps back and stops the workers.
// The run type is the run state's fast-mode flag, set by the owner before the start.
class CalibrationRunLogic : public QObject {
    Q_OBJECT
public:
    CalibrationRunLogic(Device& device, CalibrationRunView& view, const CalibrationRunSetup& setup,
                        CalibrationRunState& state = calibrationRunState());
    ~CalibrationRunLogic() override;

    // Opening: clears the success flags and starts the worker of the current type.
    void start();
    // An owner that learns the frame's facts only later (the user edition) sets them
    // before start().
    void setSetup(const CalibrationRunSetup& setup) { setup_ = setup; }
    // The workers' codes go to route instead of handleCode(): for an owner that handles
    // some codes itself and passes the others on.
    void routeWorkerCodes(std::function<void(int)> route) { route_ = std::move(route); }
    // recvData(int).
    void handleCode(int code);
    // CalTypeSlot().
    void switchType();
    // ResetSlot(): false when there was nothing to step back.
    bool stepBack();
    // Asks both workers to stop; done runs (on this thread) once neither runs.
    void stopWorkers(const std::function<void()>& done);
    bool workerRunning() const;
    // The code for the owner when the window closes: 2 with the frame present and
    // answering (logged with a running count), else 3.
    int closingCode();

    CalibrationRunState& state() { return state_; }
    const CalibrationRunState& state() const { return state_; }
    const CalibrationRunSetup& setup() const { return setup_; }
    bool fastRun() const { return state_.fastMode != 0; }
    CalibrationWorker& currentWorker();

private:
    void startCurrent();
    CalibrationWorker& otherWorker();
    void showProgress();
    void refreshStepBack();

    Device& device_;
    CalibrationRunView& view_;
    CalibrationRunSetup setup_;
    CalibrationRunState& state_;
    std::unique_ptr<CalibrationThread> full_;
    std::unique_ptr<FastCalibrationThread> fast_;
    std::function<void(int)> route_;
    int storedReports_ = 0;
    bool lossLogged_ = false; // the lost frame is logged once per run, not per code
    int returnReports_ = 0;
};
