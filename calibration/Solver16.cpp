#include "calibration/Solver16.h"

#include "calibration/CalibrationTargets.h"
#include "calibration/CorrectionMaps.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

using namespace fit_formulas;
namespace ct = calibration_targets;

namespace {

camera_model::CameraView viewOf(const CameraFit& fit)
{
    return {camera_model::saturatingTrunc(16 * fit.x), camera_model::saturatingTrunc(16 * fit.y),
            fit.shift, fit.angleOffset};
}

// R values are fitted in chunks: enough work items to keep every thread busy while each
// item still reuses one shift's slopes for many R.
constexpr int kChunksPerCamera = 4;

struct WorkItem {
    bool left = true;
    int first = 0;
    int count = 0;
};

std::vector<WorkItem> workItems()
{
    std::vector<WorkItem> items;
    for (bool left : {true, false}) {
        for (int c = 0; c < kChunksPerCamera; ++c) {
            const int first = kRSteps * c / kChunksPerCamera;
            const int end = kRSteps * (c + 1) / kChunksPerCamera;
            items.push_back({left, first, end - first});
        }
    }
    return items;
}

int threadCount(int requested)
{
    if (requested > 0)
        return requested;
    const unsigned hardware = std::thread::hardware_concurrency();
    return static_cast<int>(std::clamp(hardware, 1u, 8u));
}

} // namespace

camera_model::Model triangulationModelOf(const SolveInputs& inputs, const ModelFit& fit)
{
    camera_model::Model model;
    model.table = inputs.table;
    model.left = fit.leftView;
    model.right = fit.rightView;
    model.R = fit.R;
    return model;
}

ModelFit modelOf(const SolveInputs& inputs, float R, const CameraFit& left, const CameraFit& right)
{
    ModelFit fit;
    fit.R = R;
    fit.left = left;
    fit.right = right;
    fit.leftView = viewOf(left);
    fit.rightView = viewOf(right);
    const camera_model::Model model = triangulationModelOf(inputs, fit);
    double error = 0.0;
    for (int k = 0; k < ct::kFullCount; ++k) {
        const camera_model::PointF p =
            camera_model::Triangulate(model, inputs.left[static_cast<size_t>(k)],
                                      inputs.right[static_cast<size_t>(ct::mirroredFull(k))]);
        const TargetPoint& t = inputs.targets[static_cast<size_t>(k)];
        error += std::fabs(p.x - t.x) + std::fabs(p.y - t.y);
    }
    fit.error = error;
    return fit;
}

Solve16Result Solve16(const SolveInputs& inputs, const SolveControl& control)
{
    Solve16Result result;
    const int threads = threadCount(control.threads);

    CameraFitInput leftInput{inputs.table, true, inputs.left, inputs.targets};
    CameraFitInput rightInput{inputs.table, false, inputs.right, ct::mirrored(inputs.targets)};
    std::array<float, kRSteps> scales{};
    for (int r = 0; r < kRSteps; ++r)
        scales[static_cast<size_t>(r)] = xScaleOf(r);

    control.progress(10);
    std::vector<CameraFit> leftFits(kRSteps);
    std::vector<CameraFit> rightFits(kRSteps);
    const std::vector<WorkItem> items = workItems();
    std::unique_ptr<CameraFitter> fitters[2];
    std::atomic<int> next{0};
    std::atomic<int> done{0};
    std::atomic<bool> stopped{false};
    std::mutex mutex;
    std::condition_variable changed;

    auto worker = [&] {
        for (;;) {
            const int i = next.fetch_add(1);
            if (i >= static_cast<int>(items.size()))
                break;
            if (control.stopRequested()) {
                stopped = true;
            } else {
                const WorkItem& item = items[static_cast<size_t>(i)];
                const CameraFitter& fitter = *fitters[item.left ? 0 : 1];
                std::vector<CameraFit>& out = item.left ? leftFits : rightFits;
                fitter.fit(&scales[static_cast<size_t>(item.first)],
                           static_cast<size_t>(item.count), &out[static_cast<size_t>(item.first)]);
            }
            {
                std::lock_guard lock(mutex);
                ++done;
            }
            changed.notify_all();
        }
    };

    // The two fitters' tables are independent: build them side by side.
    {
        std::thread other([&] { fitters[1] = std::make_unique<CameraFitter>(rightInput); });
        fitters[0] = std::make_unique<CameraFitter>(leftInput);
        other.join();
    }
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t)
        pool.emplace_back(worker);
    {
        int reported = 10;
        const int total = static_cast<int>(items.size());
        std::unique_lock lock(mutex);
        for (;;) {
            const int finished = done.load();
            const int percent = 10 + 10 * (finished * 5 / total);
            if (percent != reported && !stopped) {
                reported = percent;
                lock.unlock();
                control.progress(percent);
                lock.lock();
            }
            if (finished == total)
                break;
            changed.wait(lock, [&] { return done.load() != finished; });
        }
    }
    for (std::thread& t : pool)
        t.join();
    if (stopped || control.stopRequested()) {
        result.status = SolveStatus::Stopped;
        return result;
    }

    int bestIndex = -1;
    ModelFit best;
    for (int r = 0; r < kRSteps; ++r) {
        const auto i = static_cast<size_t>(r);
        ModelFit fit = modelOf(inputs, scales[i], leftFits[i], rightFits[i]);
        if (bestIndex < 0 || improves(fit.error, best.error) || fit.error == best.error) {
            bestIndex = r;
            best = fit;
        }
    }
    return completeRecord(inputs, best);
}

namespace {

// The record's camera position field, or nothing when 16 * position does not fit.
std::optional<Point16> positionField(const camera_model::CameraView& view)
{
    constexpr int32_t kMin = std::numeric_limits<int16_t>::min();
    constexpr int32_t kMax = std::numeric_limits<int16_t>::max();
    if (view.x16 < kMin || view.x16 > kMax || view.y16 < kMin || view.y16 > kMax)
        return std::nullopt;
    return Point16{static_cast<int16_t>(view.x16), static_cast<int16_t>(view.y16)};
}

QString positionDoesNotFit(const char* camera, const camera_model::CameraView& view, float R)
{
    return QStringLiteral("the fitted %1 camera position (16 * position = %2, %3) does not fit the "
                          "record's signed 16-bit fields (-32768..32767): the desktop is too wide "
                          "for the record or the x-scale R = %4 is too large")
        .arg(QLatin1String(camera))
        .arg(view.x16)
        .arg(view.y16)
        .arg(static_cast<double>(R), 0, 'f', 2);
}

} // namespace

Solve16Result completeRecord(const SolveInputs& inputs, const ModelFit& best)
{
    Solve16Result result;
    result.best = best;
    result.g_ClbInfoR = best.R;
    CalibrationRecord& record = result.record;
    const std::optional<Point16> left = positionField(best.leftView);
    const std::optional<Point16> right = positionField(best.rightView);
    if (!left || !right) {
        result.error = !left ? positionDoesNotFit("left", best.leftView, best.R)
                             : positionDoesNotFit("right", best.rightView, best.R);
        return result;
    }
    record.LCam = {*left, best.leftView.shift,
                   static_cast<int32_t>(std::trunc(best.left.angleOffset * 1024))};
    record.RCam = {*right, best.rightView.shift,
                   static_cast<int32_t>(std::trunc(best.right.angleOffset * 1024))};
    record.r_fix = static_cast<int32_t>(std::trunc(best.R * 1024));
    result.error = correction_maps::BuildMaps16(record, triangulationModelOf(inputs, best),
                                                inputs.left, inputs.right, inputs.targets);
    result.status = result.error.isEmpty() ? SolveStatus::Done : SolveStatus::Failed;
    return result;
}
