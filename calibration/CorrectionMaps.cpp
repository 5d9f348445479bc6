#include "calibration/CorrectionMaps.h"

#include "calibration/CalibrationTargets.h"
#include "calibration/ProjectiveMap.h"

#include <cmath>
#include <limits>

namespace correction_maps {

namespace ct = calibration_targets;

std::optional<Point16> toPoint16(const camera_model::PointF& p)
{
    const double x = std::trunc(p.x);
    const double y = std::trunc(p.y);
    constexpr double kMin = std::numeric_limits<int16_t>::min();
    constexpr double kMax = std::numeric_limits<int16_t>::max();
    if (!(x >= kMin && x <= kMax && y >= kMin && y <= kMax))
        return std::nullopt;
    return Point16{static_cast<int16_t>(x), static_cast<int16_t>(y)};
}

namespace {

Point16 toScreen(const TargetPoint& t)
{
    return {static_cast<int16_t>(t.x), static_cast<int16_t>(t.y)};
}

QString fitMap(const std::array<Point16, 4>& from, const std::array<Point16, 4>& to,
               CalibrationRecord::Map& out, int mapIndex)
{
    const std::optional<projective::Coefficients> h = projective::solve(from, to);
    if (!h)
        return QStringLiteral("correction map %1 is singular: the measured points of its cell "
                              "do not span an area")
            .arg(mapIndex);
    const std::optional<CalibrationRecord::Map> fixed = projective::toFixed(*h);
    if (!fixed)
        return QStringLiteral("a coefficient of correction map %1 does not fit the record")
            .arg(mapIndex);
    out = *fixed;
    return {};
}

} // namespace

QString BuildMaps16(CalibrationRecord& record, const camera_model::Model& model,
                    const std::array<uint32_t, 16>& left, const std::array<uint32_t, 16>& right,
                    const std::array<TargetPoint, 16>& targets)
{
    for (int k = 0; k < ct::kFullCount; ++k) {
        const camera_model::PointF p = camera_model::Triangulate(
            model, left[static_cast<size_t>(k)], right[static_cast<size_t>(ct::mirroredFull(k))]);
        const std::optional<Point16> q = toPoint16(p);
        if (!q)
            return QStringLiteral("the model places target %1 at (%2, %3), outside the record's "
                                  "range")
                .arg(k)
                .arg(p.x)
                .arg(p.y);
        record.EvalPt[static_cast<size_t>(k)] = *q;
    }
    for (int n = 0; n < CalibrationRecord::kCellMaps; ++n) {
        const size_t i = static_cast<size_t>(n + n / 3);
        const std::array<size_t, 4> corner = {i, i + 1, i + 4, i + 5};
        std::array<Point16, 4> from{};
        std::array<Point16, 4> to{};
        for (size_t c = 0; c < 4; ++c) {
            from[c] = record.EvalPt[corner[c]];
            to[c] = toScreen(targets[corner[c]]);
        }
        if (QString why = fitMap(from, to, record.X[static_cast<size_t>(n)], n); !why.isEmpty())
            return why;
    }
    record.X[CalibrationRecord::kScreenMap].fill(0);
    return {};
}

QString BuildMap4(CalibrationRecord& record, const camera_model::Model& model,
                  const std::array<uint32_t, 4>& left, const std::array<uint32_t, 4>& right,
                  const std::array<TargetPoint, 4>& targets)
{
    std::array<Point16, 4> from{};
    std::array<Point16, 4> to{};
    for (int j = 0; j < ct::kFastCount; ++j) {
        const camera_model::PointF p = camera_model::Triangulate(
            model, left[static_cast<size_t>(j)], right[static_cast<size_t>(ct::mirroredFast(j))]);
        const std::optional<Point16> q = toPoint16(p);
        if (!q)
            return QStringLiteral("the stored model places corner target %1 at (%2, %3), outside "
                                  "the record's range")
                .arg(j)
                .arg(p.x)
                .arg(p.y);
        from[static_cast<size_t>(j)] = *q;
        to[static_cast<size_t>(j)] = toScreen(targets[static_cast<size_t>(j)]);
    }
    return fitMap(from, to, record.X[CalibrationRecord::kScreenMap], CalibrationRecord::kScreenMap);
}

} // namespace correction_maps
