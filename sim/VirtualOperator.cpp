#include "sim/VirtualOperator.h"

#include <cmath>
#include <numbers>

namespace sim {

void VirtualOperator::setSettings(const OperatorSettings& settings)
{
    settings_ = settings;
    target_.reset();
    touch_.reset();
    firstOfRun_ = true;
}

std::optional<ScreenPoint> VirtualOperator::step(const TargetKey& target,
                                                 const std::optional<ScreenPoint>& aim,
                                                 int triggers, std::mt19937& random)
{
    if (!settings_.present)
        return std::nullopt;
    if (triggers != triggersSeen_) {
        triggersSeen_ = triggers;
        firstOfRun_ = true;
        target_.reset();
    }
    if (!target_ || *target_ != target) {
        target_ = target;
        touch_.reset();
        wait_ = firstOfRun_ ? settings_.firstTouchDelay : settings_.reactionReports;
        firstOfRun_ = false;
    }
    if (!aim)
        return std::nullopt;
    if (!touch_) {
        if (wait_ > 0) {
            --wait_;
            return std::nullopt;
        }
        // Uniformly within the aim error around the target.
        std::uniform_real_distribution<double> unit(0.0, 1.0);
        const double r = settings_.aimError * std::sqrt(unit(random));
        const double a = 2 * std::numbers::pi * unit(random);
        touch_ = ScreenPoint{aim->x + r * std::cos(a), aim->y + r * std::sin(a)};
        held_ = 0;
        return touch_;
    }
    if (++held_ > settings_.holdReports) {
        touch_.reset();
        wait_ = settings_.reactionReports;
        return std::nullopt;
    }
    return touch_;
}

} // namespace sim
