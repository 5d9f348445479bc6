#pragma once

#include "device/Device.h"

// What a window does when a mode switch needs it (status line, device state). Headless
// callers pass nullptr or an observer that records the requests.
class ModeSwitchObserver {
public:
    virtual ~ModeSwitchObserver() = default;
    // No frame: the window shows its device-not-detected state.
    virtual void deviceNotDetected() = 0;
    // A text of the language table for the status line.
    virtual void showText(int textIndex) = 0;
};

// Switches the frame's operating mode the way the main windows do it: two attempts for
// calibration mode, and a refused work or save switch accepted when the frame has no
// sensor information yet. Result 1: the frame is in the wanted mode or may be treated
// so. Sets g_isSwitchMode; logs the failures.
int SwitchMode(Device& device, uint8_t mode, ModeSwitchObserver* observer = nullptr);
