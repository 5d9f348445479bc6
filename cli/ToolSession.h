#pragma once

#include "ModeSwitch.h"

// A device function as the windows run one: the frame goes to calibration mode first
// and back to work mode at the end, with the window's messages printed instead.
class ToolSession : public ModeSwitchObserver {
public:
    explicit ToolSession(Device& device) : device_(device) {}
    ~ToolSession() override;

    // Calibration mode; false (with the reason printed) when the frame refuses.
    bool begin();
    // Back to work mode; false when that failed.
    bool end();

    void deviceNotDetected() override;
    void showText(int textIndex) override;

private:
    Device& device_;
    bool active_ = false;
};
