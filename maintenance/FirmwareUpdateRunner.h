#pragma once

#include "maintenance/FirmwareUpdateSession.h"

#include <QObject>

#include <memory>

class CFirmwareUpdateThread;

// A firmware update as a window runs it, from the chosen file to the jump back into the
// application. The session's device steps (preparing, the boot loader found, the finish)
// run as device jobs off the GUI thread and the transfer on the update worker; what the
// session shows reaches the window's view on the GUI thread, in the order it was shown.
// The progress the view gets never falls within one update. The monitor's codes stay
// the window's: on code 14 during the update it calls bootLoaderFound().
class FirmwareUpdateRunner : public QObject, private FirmwareUpdateView {
    Q_OBJECT
public:
    FirmwareUpdateRunner(Device& device, FirmwareUpdateView& view, QObject* parent = nullptr);
    ~FirmwareUpdateRunner() override;

    // FirmwareUpdate(): checks the file and prepares the frame. False (nothing done)
    // while an update is under way.
    bool start(const QString& chosenPath);
    // The monitor reported the boot loader while the update is pending.
    void bootLoaderFound();
    // A step, the worker or the wait for the frame is under way.
    bool busy() const;
    // Stops the worker and waits for it (the window closes).
    void stop();

signals:
    // A step or the worker ended; busy() may have changed.
    void stateChanged();
    // Internal: one call of the session's view, carried to this object's thread.
    void viewCalled(int call, int value);

private:
    enum ViewCall { ShowText, ShowProgress, HideProgress, SetToolsEnabled };
    void callView(int call, int value);
    enum class Step { Prepare, BootLoader, Finish };
    void runStep(Step step);
    void stepDone(Step step, int next);
    void startWorker();
    void workerCode(int code);

    // FirmwareUpdateView, as the session calls it (from any thread).
    void showText(int textIndex) override;
    void showProgress(int value) override;
    void hideProgress() override;
    void setToolsEnabled(bool enabled) override;

    Device& device_;
    FirmwareUpdateView& view_;
    FirmwareUpdateSession session_;
    std::unique_ptr<CFirmwareUpdateThread> worker_;
    QString chosenPath_;
    bool stepRunning_ = false;
    bool bootLoaderWaiting_ = false; // code 14 came while the preparation still ran
    int progressShown_ = 0;
};
