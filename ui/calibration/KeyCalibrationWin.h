#pragma once

#include "Device.h"
#include "KeyCalibrationThread.h"
#include "KeyTestThread.h"

#include <QDialog>

class Button;
class DeviceJobQueue;
class FocusRow;
class QLabel;
class VirtualScene;

// Shortcut-key calibration, full screen on the touch screen: the schematic of the frame
// with its keys and a red hint circle at the key corner to touch next. Once the keys are
// stored the same window becomes the key test. On the virtual frame the layout's keys
// are printed on its bezel; its operator touches the corners and, in the test, presses
// the keys in turn.
class KeyCalibrationWin : public QDialog {
    Q_OBJECT
public:
    KeyCalibrationWin(Device& device, DeviceJobQueue& jobs, VirtualScene* scene, QScreen* screen,
                      QWidget* parent = nullptr);
    ~KeyCalibrationWin() override;

    // For tests and screenshots.
    QString messageText() const;
    QString hintText() const;
    bool testing() const { return testing_; }
    bool busy() const { return busy_; }
    Button* calibrateButton() const { return calibrateButton_; }
    Button* stepBackButton() const { return stepBackButton_; }
    Button* exitButton() const { return exitButton_; }
    const KeyState& keyState() const { return tester_.keyState(); }
    const shortcut_keys::Schematic& schematic() const { return schematic_; }

signals:
    void sendShowData(int code);

public slots:
    void CalibrationButSlot();
    void ResetButSlot();
    void ReturnButSlot();
    void recvData(int code);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void begin(const KeyCalibrationStart& start);
    void startTest();
    void testCode(int code);
    void showMessage(int textIndex);
    void leave(int code);
    void setBusy(bool busy);

    Device& device_;
    DeviceJobQueue& jobs_;
    VirtualScene* scene_;
    KeyCalibrationThread worker_;
    KeyTestThread tester_;
    shortcut_keys::KeyLayout layout_;
    shortcut_keys::Schematic schematic_;
    std::vector<shortcut_keys::KeyTarget> targets_;
    bool calibrating_ = false;
    bool testing_ = false;
    bool busy_ = false;
    bool leaving_ = false;
    bool closeAllowed_ = false;
    QLabel* hint_ = nullptr;
    QLabel* message_ = nullptr;
    Button* calibrateButton_ = nullptr;
    Button* stepBackButton_ = nullptr;
    Button* exitButton_ = nullptr;
    FocusRow* focus_ = nullptr;
};
