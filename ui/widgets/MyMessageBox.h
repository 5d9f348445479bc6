#pragma once

#include <QDialog>

class BandDrag;
class Button;
class QLabel;

// The skinned question and message box of every window. Modes: 1 one button (OK),
// 2 two buttons (OK, Cancel), 3 three buttons (Choose, OK, Cancel). The result is
// 1 for OK, 2 for Choose and 0 for Cancel, the quit button or Escape; it and the
// closed flag are process-wide, read by the caller after the modal run.
class MyMessageBox : public QDialog {
    Q_OBJECT
public:
    enum Result { kCancel = 0, kOk = 1, kChoose = 2 };

    // captions: the buttons' texts in their order (Choose, OK, Cancel for mode 3; OK,
    // Cancel for mode 2; OK for mode 1); missing ones get "OK" / text 13.
    MyMessageBox(QWidget* parent, const QString& title, const QString& message, int mode,
                 const QStringList& captions = {});
    ~MyMessageBox() override;

    // Runs the box modally and returns the result.
    int run();

    static int result();
    static bool closedFlag();
    static void resetFlags();

    int mode() const { return mode_; }
    int selectedButton() const { return selected_; }
    QString messageText() const;
    Button* button(int index) const; // 1..mode in keyboard order
    QPoint dragOffset() const;
    // The height of the band that drags the box.
    int dragBandHeight() const;

public slots:
    void QuitButSlot();
    void CancelButtonSlot();
    void OKButtonSlot();
    void ChooseButtonSlot();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void finish(int result);
    void select(int index);
    void pressSelected();

    int mode_;
    int selected_ = 0;
    BandDrag* drag_ = nullptr;
    QLabel* title_ = nullptr;
    QLabel* message_ = nullptr;
    std::vector<Button*> buttons_; // keyboard order
    Button* quit_ = nullptr;
    QPixmap background_;
};
