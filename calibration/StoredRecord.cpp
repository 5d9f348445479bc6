#include "calibration/StoredRecord.h"

#include "calibration/ProjectiveMap.h"
#include "device/ConfigRecordStore.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace stored_record {

namespace {

constexpr int32_t kSmallestRFix = 512;
constexpr int32_t kLargestRFix = 2048;

bool isZero(const CalibrationRecord::Map& map)
{
    return std::all_of(map.begin(), map.end(), [](int32_t v) { return v == 0; });
}

// Signed area test: which side of the edge a -> b the point lies on.
double sideOf(const Point16& a, const Point16& b, const camera_model::PointF& p)
{
    return (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x);
}

bool cellHolds(const CalibrationRecord& record, int n, const camera_model::PointF& p)
{
    const size_t i = static_cast<size_t>(n + n / 3);
    const std::array<Point16, 4> ring = {record.EvalPt[i], record.EvalPt[i + 1],
                                         record.EvalPt[i + 5], record.EvalPt[i + 4]};
    bool negative = false;
    bool positive = false;
    for (size_t e = 0; e < 4; ++e) {
        const double s = sideOf(ring[e], ring[(e + 1) % 4], p);
        negative = negative || s < 0;
        positive = positive || s > 0;
    }
    return !(negative && positive);
}

double distanceToCentre(const CalibrationRecord& record, int n, const camera_model::PointF& p)
{
    const size_t i = static_cast<size_t>(n + n / 3);
    double cx = 0;
    double cy = 0;
    for (size_t c : {i, i + 1, i + 4, i + 5}) {
        cx += record.EvalPt[c].x / 4.0;
        cy += record.EvalPt[c].y / 4.0;
    }
    return std::hypot(p.x - cx, p.y - cy);
}

} // namespace

QString problemOf(const CalibrationRecord& record)
{
    if (record.r_fix < kSmallestRFix || record.r_fix > kLargestRFix)
        return QStringLiteral("the stored record holds no 16-point calibration (r_fix = %1; a "
                              "16-point run stores 512..2048)")
            .arg(record.r_fix);
    return {};
}

camera_model::Model modelOf(const CalibrationRecord& record, const angle_table::Table& table)
{
    camera_model::Model model;
    model.table = &table;
    model.R = record.r_fix / CalibrationRecord::kFixScale;
    model.left = {record.LCam.Po_l4.x, record.LCam.Po_l4.y, record.LCam.L_A,
                  record.LCam.L_Angle_fix / CalibrationRecord::kFixScale};
    model.right = {record.RCam.Po_l4.x, record.RCam.Po_l4.y, record.RCam.L_A,
                   record.RCam.L_Angle_fix / CalibrationRecord::kFixScale};
    return model;
}

int mapIndexFor(const CalibrationRecord& record, const camera_model::PointF& raw)
{
    if (!isZero(record.X[CalibrationRecord::kScreenMap]))
        return CalibrationRecord::kScreenMap;
    int nearest = 0;
    double nearestDistance = std::numeric_limits<double>::infinity();
    for (int n = 0; n < CalibrationRecord::kCellMaps; ++n) {
        if (cellHolds(record, n, raw))
            return n;
        const double d = distanceToCentre(record, n, raw);
        if (d < nearestDistance) {
            nearestDistance = d;
            nearest = n;
        }
    }
    return nearest;
}

camera_model::PointF locate(const CalibrationRecord& record, const angle_table::Table& table,
                            uint32_t leftPosition, uint32_t rightPosition)
{
    const camera_model::PointF raw =
        camera_model::Triangulate(modelOf(record, table), leftPosition, rightPosition);
    const projective::Mapped m =
        projective::apply(record.X[static_cast<size_t>(mapIndexFor(record, raw))], raw.x, raw.y);
    return {m.x, m.y};
}

StoredCalibration readStoredCalibration(Device& device)
{
    StoredCalibration stored;
    SensorBlock block{};
    if (!device.blocks.ReadCalibInfo(block)) {
        stored.problem = QStringLiteral("reading the sensor information block failed");
        return stored;
    }
    stored.read = true;
    stored.hasFlag = hasSensorInfoFlag(block);
    stored.record = recordOf(block);
    stored.problem = stored.hasFlag ? problemOf(stored.record)
                                    : QStringLiteral("the frame holds no calibration");
    stored.width = widthOf(block);
    stored.height = heightOf(block);
    stored.sensorType = storedSensorType(device);
    return stored;
}

sensor_block_rewrite::Outcome deleteCalibration(Device& device, bool& nothingStored)
{
    nothingStored = false;
    SensorBlock block{};
    if (!device.blocks.ReadCalibInfo(block)) {
        sensor_block_rewrite::Outcome failed;
        failed.error = QStringLiteral("reading the sensor information block failed: %1")
                           .arg(QLatin1String(failureText(device.link.lastOutcome())));
        return failed;
    }
    if (!hasSensorInfoFlag(block)) {
        nothingStored = true;
        sensor_block_rewrite::Outcome nothing;
        nothing.ok = true;
        return nothing;
    }
    const SensorBlock before = block;
    std::fill(block.begin() + sensor_info::kRecord, block.begin() + sensor_info::kHeight + 2,
              uint8_t{0});
    return sensor_block_rewrite::rewrite(device, before, block);
}

} // namespace stored_record
