#pragma once

#include "ui/calibration/CalibrationRunLogic.h"
#include "ui/calibration/CalibrationRunWindow.h"

class QLabel;
class VirtualScene;

// The full-screen calibration window: shows the targets of the run, its progress and
// messages, switches between the 16-point and the fast 4-point run, steps back one
// target and leaves. Everything that is not drawing is CalibrationRunLogic.
class CalibrationWin : public CalibrationRunWindow, private CalibrationRunView {
    Q_OBJECT
public:
    // scene: the virtual frame's, whose operator then touches the targets; nullptr for a
    // real frame. The window opens full screen on screen (nullptr: the primary one).
    CalibrationWin(Device& device, const CalibrationRunSetup& setup, VirtualScene* scene,
                   QScreen* screen, QWidget* parent = nullptr);
    ~CalibrationWin() override;

    // For tests and screenshots.
    CalibrationRunLogic& logic() { return logic_; }
    QString messageText() const;
    bool leaving() const { return leaving_; }

signals:
    void sendShowData(int code);

public slots:
    void CalTypeSlot() override;
    void ReturnSlot() override;
    void ResetSlot() override;
    void recvData(int code);

private:
    // CalibrationRunWindow
    const CalibrationRunLogic* shownRun() const override { return &logic_; }
    // CalibrationRunView
    void showMessage(const QString& text) override;
    void setTypeButtonEnabled(bool enabled) override;
    void setTypeCaption(int textIndex) override;
    void setStepBackEnabled(bool enabled) override;
    void repaintTargets() override;
    void reportToOwner(int code) override;
    void leave() override;
    void warn(const QString& title, const QString& text) override;

    void layOut();
    void pause(double ms, const std::function<void()>& then);

    CalibrationRunLogic logic_;
    VirtualScene* scene_;
    QLabel* message_ = nullptr;
    bool leaving_ = false;
};
