#pragma once

#include "ui/calibration/CalibrationRunLogic.h"
#include "ui/calibration/CalibrationRunPainter.h"
#include "ui/widgets/FullScreenWindow.h"

class Button;
class QLabel;
class QTimer;
class VirtualScene;

// The full-screen calibration window: shows the targets of the run, its progress and
// messages, switches between the 16-point and the fast 4-point run, steps back one
// target and leaves. Everything that is not drawing is CalibrationRunLogic.
class CalibrationWin : public FullScreenWindow, private CalibrationRunView {
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
    Button* typeButton() const { return typeButton_; }
    Button* stepBackButton() const { return stepBackButton_; }
    Button* exitButton() const { return exitButton_; }
    bool leaving() const { return leaving_; }

signals:
    void sendShowData(int code);

public slots:
    void CalTypeSlot();
    void ReturnSlot();
    void ResetSlot();
    void recvData(int code);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
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
    Button* typeButton_ = nullptr;
    Button* stepBackButton_ = nullptr;
    Button* exitButton_ = nullptr;
    QLabel* message_ = nullptr;
    QTimer* animation_ = nullptr;
    int repaints_ = 0;
    bool leaving_ = false;
    CalibrationRunPainter painter_;
};
