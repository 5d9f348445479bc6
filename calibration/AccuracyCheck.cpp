#include "calibration/AccuracyCheck.h"

#include "calibration/StoredRecord.h"
#include "calibration/TouchSampler.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace accuracy_check {

namespace {

struct Distances {
    double sum = 0;
    double largest = 0;
    void add(double d)
    {
        sum += d;
        largest = std::max(largest, d);
    }
};

double distance(const camera_model::PointF& a, const camera_model::PointF& b)
{
    return std::hypot(a.x - b.x, a.y - b.y);
}

} // namespace

std::optional<Figures> measure(Device& device, const CalibrationRecord& record,
                               const angle_table::Table& table, int width, int height, int points,
                               uint32_t seed, const Truth& truth, QString& error)
{
    if (points <= 0) {
        error = QStringLiteral("no touches asked for");
        return std::nullopt;
    }
    if (!device.commands.trigger()) {
        error = QStringLiteral("the frame refused the start");
        return std::nullopt;
    }
    TouchSampler sampler(device);
    if (!sampler.learnBackground(width / 2, height / 2)) {
        error = QStringLiteral("a touch query failed");
        return std::nullopt;
    }
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> ux(width / 16.0, width - width / 16.0);
    std::uniform_real_distribution<double> uy(height / 32.0, height - height / 32.0);
    Distances calibrated;
    Distances floor;
    for (int i = 0; i < points; ++i) {
        const int x = static_cast<int>(ux(random));
        const int y = static_cast<int>(uy(random));
        const auto positions = sampler.sample(static_cast<uint8_t>(i % 200), x, y);
        const auto touched = truth.touchedPoint();
        if (!positions || !touched) {
            error = QStringLiteral("no steady touch at (%1, %2)").arg(x).arg(y);
            return std::nullopt;
        }
        calibrated.add(distance(
            stored_record::locate(record, table, positions->left, positions->right), *touched));
        const auto exact = truth.exactLocate(positions->left, positions->right);
        floor.add(exact ? distance(*exact, *touched) : 0.0);
    }
    Figures f;
    f.points = points;
    f.mean = calibrated.sum / points;
    f.largest = calibrated.largest;
    f.floorMean = floor.sum / points;
    f.floorLargest = floor.largest;
    return f;
}

} // namespace accuracy_check
