#pragma once

#include <QDialog>

#include <vector>

class Button;
class FocusRow;
class QLabel;
class QPainter;
class QScreen;

// The base of the windows that fill the touch screen (calibration, check, key windows):
// a frameless modal dialog shown full screen on the screen the frame is mounted on,
// keyboard focus over its buttons (Tab, Return, mouse-over), and leaving through the
// window's own steps: Escape or a close from outside asks it to leave (leave()), and the
// window really closes only when it calls closeNow() at the end of those steps.
class FullScreenWindow : public QDialog {
    Q_OBJECT
public:
    int focusIndex() const;

protected:
    FullScreenWindow(const QString& title, QWidget* parent);

    // The window's way out (ReturnSlot and the like).
    virtual void leave() = 0;
    // Shows the window on screen (nullptr: the primary one); its size is final afterwards.
    void showOn(QScreen* screen);
    void setFocusButtons(const std::vector<Button*>& buttons);
    void closeNow();
    void setBusyLook(bool busy);
    // A word-wrapped, centred label in the skin's heading or text font.
    QLabel* addMessageLabel(bool heading, const char* style);
    // The dark background of the calibration and check windows.
    void paintDarkBackground(QPainter& painter);

    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    FocusRow* focus_ = nullptr;
    bool closeAllowed_ = false;
};
