#include "transport/SceneTruth.h"

accuracy_check::Truth truthOf(VirtualScene& scene)
{
    accuracy_check::Truth truth;
    truth.touchedPoint = [&scene]() -> std::optional<camera_model::PointF> {
        const auto p = scene.fingerPoint();
        if (!p)
            return std::nullopt;
        return camera_model::PointF{p->x, p->y};
    };
    truth.exactLocate = [&scene](int left, int right) -> std::optional<camera_model::PointF> {
        const auto p = scene.exactLocate(left, right);
        if (!p)
            return std::nullopt;
        return camera_model::PointF{p->x, p->y};
    };
    return truth;
}
