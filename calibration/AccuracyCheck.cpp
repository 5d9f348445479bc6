#include "calibration/AccuracyCheck.h"

#include "calibration/StoredRecord.h"
#include "calibration/TouchSampler.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace accuracy_check {

namespace {

// Queries per try while the wait for a touch goes on until stopped.
constexpr int kQueriesPerTry = 200;
constexpr int kCommandLineQueries = 2000;

} // namespace

double distance(const camera_model::PointF& a, const camera_model::PointF& b)
{
    return std::hypot(a.x - b.x, a.y - b.y);
}

std::vector<camera_model::PointF> randomPlaces(int width, int height, int count, uint32_t seed)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> ux(width / 16.0, width - width / 16.0);
    std::uniform_real_distribution<double> uy(height / 32.0, height - height / 32.0);
    std::vector<camera_model::PointF> places;
    for (int i = 0; i < count; ++i) {
        const int x = static_cast<int>(ux(random));
        const int y = static_cast<int>(uy(random));
        places.push_back({static_cast<double>(x), static_cast<double>(y)});
    }
    return places;
}

Figures summarise(const std::vector<Touch>& touches, bool fromTouched)
{
    Figures f;
    double sum = 0;
    double floorSum = 0;
    for (const Touch& t : touches) {
        const camera_model::PointF reference = fromTouched && t.touched ? *t.touched : t.aim;
        const double d = distance(t.located, reference);
        sum += d;
        f.largest = std::max(f.largest, d);
        const double floor = t.exact && t.touched ? distance(*t.exact, *t.touched) : 0.0;
        floorSum += floor;
        f.floorLargest = std::max(f.floorLargest, floor);
    }
    f.points = static_cast<int>(touches.size());
    if (f.points > 0) {
        f.mean = sum / f.points;
        f.floorMean = floorSum / f.points;
    }
    return f;
}

Session::Session(Device& device, const CalibrationRecord& record, const angle_table::Table& table,
                 Truth truth, std::function<bool()> stopRequested)
    : device_(device), record_(record), table_(table), truth_(std::move(truth)),
      stopRequested_(std::move(stopRequested)), sampler_(device)
{
    sampler_.setStop(stopRequested_);
}

bool Session::begin(int width, int height, QString& error)
{
    if (!device_.commands.trigger()) {
        error = QStringLiteral("the frame refused the start");
        return false;
    }
    if (!sampler_.learnBackground(width / 2, height / 2)) {
        error = QStringLiteral("a touch query failed");
        return false;
    }
    return true;
}

std::optional<Touch> Session::touch(uint8_t index, int x, int y, QString& error, int maxQueries)
{
    std::optional<TouchSampler::Positions> positions;
    do {
        positions = sampler_.sample(index, x, y, maxQueries > 0 ? maxQueries : kQueriesPerTry);
        if (sampler_.queryFailed()) {
            error = QStringLiteral("a touch query failed");
            return std::nullopt;
        }
        if (stopRequested_ && stopRequested_()) {
            error = QStringLiteral("stopped");
            return std::nullopt;
        }
    } while (!positions && maxQueries <= 0);
    if (!positions) {
        error = QStringLiteral("no steady touch at (%1, %2)").arg(x).arg(y);
        return std::nullopt;
    }
    Touch t;
    t.aim = {static_cast<double>(x), static_cast<double>(y)};
    t.located = stored_record::locate(record_, table_, positions->left, positions->right);
    if (truth_.touchedPoint)
        t.touched = truth_.touchedPoint();
    if (truth_.exactLocate)
        t.exact = truth_.exactLocate(positions->left, positions->right);
    return t;
}

std::optional<Figures> measure(Device& device, const CalibrationRecord& record,
                               const angle_table::Table& table, int width, int height, int points,
                               uint32_t seed, const Truth& truth, QString& error,
                               const std::function<void(int)>& touched)
{
    if (points <= 0) {
        error = QStringLiteral("no touches asked for");
        return std::nullopt;
    }
    Session session(device, record, table, truth);
    if (!session.begin(width, height, error))
        return std::nullopt;
    std::vector<Touch> touches;
    const auto places = randomPlaces(width, height, points, seed);
    for (int i = 0; i < points; ++i) {
        const auto& p = places[static_cast<size_t>(i)];
        auto t = session.touch(static_cast<uint8_t>(i % 200), static_cast<int>(p.x),
                               static_cast<int>(p.y), error, kCommandLineQueries);
        if (!t)
            return std::nullopt;
        if (!t->touched) {
            error = QStringLiteral("no steady touch at (%1, %2)").arg(p.x).arg(p.y);
            return std::nullopt;
        }
        touches.push_back(*t);
        if (touched)
            touched(i + 1);
    }
    return summarise(touches, true);
}

} // namespace accuracy_check
