#include "transport/SimScene.h"

#include "sim/PrintedKeys.h"
#include "sim/VirtualFrame.h"

namespace {

void place(sim::VirtualFrame& frame, int width, int height, int sensorType, double aimError,
           bool liftOnRelease)
{
    frame.setScreenSize(width, height);
    sim::TouchScene scene = frame.touchScene();
    scene.sensorType = sensorType;
    frame.setTouchScene(scene);
    sim::OperatorSettings op;
    op.present = true;
    op.aimError = aimError;
    op.liftOnRelease = liftOnRelease;
    frame.setVirtualOperator(op);
}

} // namespace

void SimScene::placeOperator(int width, int height, int sensorType, double aimError)
{
    place(*frame_, width, height, sensorType, aimError, false);
}

void SimScene::placeReleasingOperator(int width, int height, int sensorType, double aimError)
{
    place(*frame_, width, height, sensorType, aimError, true);
}

void SimScene::printKeys(const KeyGroups& groups, int width, int height)
{
    sim::TouchScene scene = frame_->touchScene();
    scene.keys = sim::printedKeysFor(groups, width, height);
    frame_->setTouchScene(scene);
}

void SimScene::pressPrintedKeys(bool on)
{
    // At one read every 10 ms: each key for 0.5 s, then 0.25 s with none.
    constexpr int kHoldReads = 50;
    constexpr int kGapReads = 25;
    frame_->pressKeysInTurn(on ? kHoldReads : 0, kGapReads);
}

std::optional<VirtualScene::Point> SimScene::fingerPoint() const
{
    const auto p = frame_->fingerPoint();
    if (!p)
        return std::nullopt;
    return Point{p->x, p->y};
}

std::optional<VirtualScene::Point> SimScene::exactLocate(int leftPosition, int rightPosition) const
{
    const auto p = frame_->exactLocate(leftPosition, rightPosition);
    if (!p)
        return std::nullopt;
    return Point{p->x, p->y};
}
