#pragma once

#include "calibration/CaptureSteps.h"
#include "device/Device.h"

#include <functional>
#include <optional>

// One pair of sensor positions for a touch anywhere on the screen, read through the
// touch query the way a calibration run reads it (background learned first, a steady
// touch, FalsePotDel), for checking a stored calibration against touches.
class TouchSampler {
public:
    struct Positions {
        uint16_t left = 0;
        uint16_t right = 0;
    };

    explicit TouchSampler(Device& device) : device_(device) {}

    // The warm-up: 61 queries naming (x, y); shadows seen by one camera only are
    // learned as background. False when a query failed.
    bool learnBackground(int x, int y);
    // Names (x, y) until the touch has been steady for 20 reports, then chooses each
    // camera's finger shadow: not a known background shadow, the two halves of a shadow
    // split close to the camera merged, else the widest. Nothing when a query failed
    // (queryFailed()), no steady touch came within maxQueries or the stop was asked for.
    std::optional<Positions> sample(uint8_t index, int x, int y, int maxQueries = 2000);
    // The last sample or warm-up ended because a query failed.
    bool queryFailed() const { return queryFailed_; }
    // Asked before every query; true ends the sample.
    void setStop(std::function<bool()> stop) { stop_ = std::move(stop); }

private:
    std::optional<uint16_t> fingerOf(int side, const touch_extraction::SideCandidates& c) const;

    Device& device_;
    touch_extraction::Backgrounds backgrounds_;
    std::function<bool()> stop_;
    bool queryFailed_ = false;
};
