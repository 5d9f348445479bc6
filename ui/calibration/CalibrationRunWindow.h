#pragma once

#include "ui/calibration/CalibrationRunPainter.h"
#include "ui/widgets/FullScreenWindow.h"

class Button;
class CalibrationRunLogic;
class QLabel;

// A full-screen window that shows a calibration run (the calibration window and the user
// edition): the targets, the progress and the status lines drawn over the dark
// background, the panel of the run's three buttons (run type, step back, exit) under its
// message, and Backspace for the step back.
class CalibrationRunWindow : public FullScreenWindow {
    Q_OBJECT
public:
    // For tests and screenshots.
    Button* typeButton() const { return typeButton_; }
    Button* stepBackButton() const { return stepBackButton_; }
    Button* exitButton() const { return exitButton_; }

public slots:
    virtual void CalTypeSlot() = 0;
    virtual void ResetSlot() = 0; // the step back
    virtual void ReturnSlot() = 0;

protected:
    using FullScreenWindow::FullScreenWindow;

    // Makes the three buttons (after the window's labels), with keyboard focus over them,
    // and starts the targets' animation.
    void addRunButtons();
    // The buttons and message in the panel of the window's present size.
    void layOutRunPanel(QLabel* message);
    // The run to draw; nullptr while there is none yet.
    virtual const CalibrationRunLogic* shownRun() const = 0;

    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

    CalibrationRunPainter painter_;
    Button* typeButton_ = nullptr;
    Button* stepBackButton_ = nullptr;
    Button* exitButton_ = nullptr;
};
