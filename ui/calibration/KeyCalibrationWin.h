#pragma once

#include "calibration/KeyCalibrationThread.h"
#include "calibration/KeyTestThread.h"
#include "device/Device.h"
#include "ui/calibration/KeySchematicWindow.h"

class Button;
class DeviceJobQueue;
class VirtualScene;

// Shortcut-key calibration, full screen on the touch screen: the schematic of the frame
// with its keys and a red hint circle at the key corner to touch next. Once the keys are
// stored the same window becomes the key test. On the virtual frame the layout's keys
// are printed on its bezel; its operator touches the corners and, in the test, presses
// the keys in turn.
class KeyCalibrationWin : public KeySchematicWindow {
    Q_OBJECT
public:
    KeyCalibrationWin(Device& device, DeviceJobQueue& jobs, VirtualScene* scene, QScreen* screen,
                      QWidget* parent = nullptr);
    ~KeyCalibrationWin() override;

    // For tests and screenshots.
    bool calibrating() const { return calibrating_; }
    bool leaving() const { return leaving_; }
    bool testing() const { return testing_; }
    bool busy() const { return busy_; }
    Button* calibrateButton() const { return calibrateButton_; }
    Button* stepBackButton() const { return stepBackButton_; }
    Button* exitButton() const { return exitButton_; }
    const KeyState& keyState() const { return tester_.keyState(); }

signals:
    void sendShowData(int code);

public slots:
    void CalibrationButSlot();
    void ResetButSlot();
    void ReturnButSlot();
    void recvData(int code);

protected:
    std::pair<int, int> pressedKey() const override;
    void paintOver(QPainter& painter) override;

private:
    void leave() override { ReturnButSlot(); }
    void begin(const KeyCalibrationStart& start);
    void startTest();
    void testCode(int code);
    void leaveWith(int code);
    void endFailedRun();
    // A failure shown and logged with its cause.
    void fail(int textIndex, const char* cause);
    void setBusy(bool busy);

    Device& device_;
    DeviceJobQueue& jobs_;
    VirtualScene* scene_;
    KeyCalibrationThread worker_;
    KeyTestThread tester_;
    std::vector<shortcut_keys::KeyTarget> targets_;
    bool calibrating_ = false;
    bool testing_ = false;
    bool busy_ = false;
    bool leaving_ = false;
    Button* calibrateButton_ = nullptr;
    Button* stepBackButton_ = nullptr;
    Button* exitButton_ = nullptr;
};
