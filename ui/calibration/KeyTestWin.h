#pragma once

#include "calibration/KeyTestThread.h"
#include "device/Device.h"
#include "ui/calibration/KeySchematicWindow.h"

class Button;
class VirtualScene;

// The shortcut-key test: whenever the frame reports a pressed key, that key of the
// schematic is filled red. On the virtual frame the layout's keys are printed on its
// bezel and pressed in turn.
class KeyTestWin : public KeySchematicWindow {
    Q_OBJECT
public:
    KeyTestWin(Device& device, VirtualScene* scene, QScreen* screen, QWidget* parent = nullptr);
    ~KeyTestWin() override;

    const KeyState& keyState() const { return worker_.keyState(); }

signals:
    void sendShowData(int code);

public slots:
    void recvData(int code);
    void ReturnSlot();

protected:
    std::pair<int, int> pressedKey() const override;

private:
    void leave() override { ReturnSlot(); }
    void leaveWith(int textIndex);

    KeyTestThread worker_;
    VirtualScene* scene_;
    Button* exitButton_ = nullptr;
    bool leaving_ = false;
};
