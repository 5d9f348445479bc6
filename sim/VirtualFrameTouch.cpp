// The touch part of the virtual frame's public interface (see VirtualFrame.h).
#include "sim/VirtualFrame.h"

namespace sim {

void VirtualFrame::setScreenSize(int width, int height)
{
    std::lock_guard lock(mutex_);
    state_.touchModel.setScreenSize(width, height);
}

void VirtualFrame::setTouchScene(const TouchScene& scene)
{
    std::lock_guard lock(mutex_);
    state_.touchModel.setScene(scene);
}

TouchScene VirtualFrame::touchScene() const
{
    std::lock_guard lock(mutex_);
    return state_.touchModel.scene();
}

void VirtualFrame::setVirtualOperator(const OperatorSettings& settings)
{
    std::lock_guard lock(mutex_);
    state_.touchModel.setOperator(settings);
}

void VirtualFrame::placeFinger(double x, double y)
{
    std::lock_guard lock(mutex_);
    state_.touchModel.placeFinger(x, y);
}

void VirtualFrame::liftFinger()
{
    std::lock_guard lock(mutex_);
    state_.touchModel.liftFinger();
}

void VirtualFrame::pressKeysInTurn(int holdReads, int gapReads)
{
    std::lock_guard lock(mutex_);
    state_.touchModel.pressKeysInTurn(holdReads, gapReads);
}

std::optional<ScreenPoint> VirtualFrame::fingerPoint() const
{
    std::lock_guard lock(mutex_);
    return state_.touchModel.finger();
}

std::optional<int> VirtualFrame::sensorPosition(Side camera, const ScreenPoint& point) const
{
    std::lock_guard lock(mutex_);
    return state_.touchModel.sensorPosition(camera, point);
}

std::optional<ScreenPoint> VirtualFrame::exactLocate(int leftPosition, int rightPosition) const
{
    std::lock_guard lock(mutex_);
    return state_.touchModel.exactLocate(leftPosition, rightPosition);
}

int VirtualFrame::touchQueries() const
{
    std::lock_guard lock(mutex_);
    return state_.touchModel.queries();
}

} // namespace sim
