#pragma once

#include "transport/VirtualScene.h"

#include <memory>

namespace sim {
class VirtualFrame;
}

// The scene of the in-process virtual frame.
class SimScene : public VirtualScene {
public:
    explicit SimScene(std::shared_ptr<sim::VirtualFrame> frame) : frame_(std::move(frame)) {}

    void placeOperator(int width, int height, int sensorType, double aimError) override;
    void placeReleasingOperator(int width, int height, int sensorType, double aimError) override;
    void printKeys(const KeyGroups& groups, int width, int height) override;
    void pressPrintedKeys(bool on) override;
    std::optional<Point> fingerPoint() const override;
    std::optional<Point> exactLocate(int leftPosition, int rightPosition) const override;

private:
    std::shared_ptr<sim::VirtualFrame> frame_;
};
