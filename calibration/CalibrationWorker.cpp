#include "calibration/CalibrationWorker.h"

#include "app/AppContext.h"
#include "app/LogSink.h"
#include "calibration/CalibrationCategory.h"
#include "calibration/CalibrationImages.h"
#include "calibration/CalibrationTargets.h"
#include "calibration/RecordLog.h"
#include "calibration/RecordStore.h"
#include "calibration/Solver16.h"
#include "calibration/TargetCollector.h"
#include "device/Delay.h"
#include "device/DeviceState.h"

#include <QTime>

#include <algorithm>

namespace ct = calibration_targets;

namespace {

constexpr double kStartPauseMs = 1000.0;
constexpr int kIdleCycles = 99;

void debugTime(const char* name, const char* what, const QTime& t)
{
    qCDebug(lcCalibration, "%s::run %s  %02d:%02d:%02d:%02d", name, what, t.hour(), t.minute(),
            t.second(), t.msec());
}

} // namespace

CalibrationWorker::CalibrationWorker(Device& device, CalibrationRunState& state, bool fast,
                                     QObject* parent)
    : DeviceWorker(device, parent), state_(state), fast_(fast)
{
}

CalibrationWorker::~CalibrationWorker()
{
    stopAndWait();
}

bool CalibrationWorker::begin(const CalibrationSetup& setup)
{
    if (isRunning())
        return false;
    setup_ = setup;
    return startWorker();
}

bool CalibrationWorker::prepare()
{
    targets_.clear();
    if (fast_) {
        for (const auto& t : ct::fastTargets(setup_.width, setup_.height))
            targets_.push_back(t);
    } else {
        for (const auto& t : ct::fullTargets(setup_.width, setup_.height))
            targets_.push_back(t);
    }
    state_.reset();
    {
        std::lock_guard lock(resultMutex_);
        record_ = {};
        R_ = 0.0f;
        error_.clear();
    }
    buffers_ = std::make_unique<FrameBuffers>();
    if (!buffers_->valid()) {
        buffers_.reset();
        return false;
    }
    return true;
}

CalibrationRecord CalibrationWorker::record() const
{
    std::lock_guard lock(resultMutex_);
    return record_;
}

float CalibrationWorker::xScale() const
{
    std::lock_guard lock(resultMutex_);
    return R_;
}

QString CalibrationWorker::lastError() const
{
    std::lock_guard lock(resultMutex_);
    return error_;
}

const char* CalibrationWorker::name() const
{
    return fast_ ? "FastCalibrationThread" : "CalibrationThread";
}

const angle_table::Table& CalibrationWorker::table() const
{
    return angle_table::forSensorType(setup_.sensorType);
}

bool CalibrationWorker::mustEnd() const
{
    return stopRequested() || !g_bDevExist;
}

void CalibrationWorker::endWith(int code)
{
    emit sendData(code);
    requestStop();
}

void CalibrationWorker::fail(const QString& why)
{
    {
        std::lock_guard lock(resultMutex_);
        error_ = why;
    }
    serviceLog().logf("%s: %s\n", name(), why.toLocal8Bit().constData());
    emit sendData(kCalProcessFailed);
    requestStop();
}

void CalibrationWorker::setProgress(int percent)
{
    state_.progress = percent;
    emit sendData(kCalProgress);
}

bool CalibrationWorker::saveImages(int n)
{
    if (!setup_.saveImages)
        return true;
    if (!calibration_images::readTargetImages(device_)) {
        serviceLog().logf("Calibration: GetPreviewData failed!\n");
        return false;
    }
    calibration_images::SaveCalibrationImages(serviceLog().runPrefix(), n, pFrameYA, pFrameYB);
    return true;
}

bool CalibrationWorker::initialise(const QTime& start)
{
    const int ok = device_.commands.trigger();
    if (!ok && device_.link.lastCallLostTheFrame())
        markDeviceLost();
    g_CalDataInitSuc = ok;
    const QTime end = QTime::currentTime();
    debugTime(name(), "end", end);
    qCDebug(lcCalibration, "%s::run start to end  %02d\n", name(),
            (end.second() * 1000 + end.msec()) - (start.second() * 1000 + start.msec()));
    return ok != 0;
}

void CalibrationWorker::run()
{
    const QTime start = QTime::currentTime();
    debugTime(name(), "start", start);
    if (!fast_)
        delay::wait(kStartPauseMs);

    TargetCollector::Hooks hooks;
    hooks.query = [this](const capture::Request& request, CandidateReport& report) {
        int sides = 0;
        return GetTouchPoints(device_, request, report, sides);
    };
    hooks.showTarget = [this] { emit sendData(kCalShowTarget); };
    hooks.saveImages = [this](int n) { return saveImages(n); };
    hooks.pause = [](double ms) { delay::wait(ms); };
    TargetCollector collector(state_, fast_, targets_, hooks);

    for (int cycle = 0; !stopRequested(); ++cycle) {
        if (!g_bDevExist) {
            endWith(kCalShowTarget);
            break;
        }
        if ((state_.fastMode != 0) != fast_) {
            endWith(kCalTypeSwitched);
            break;
        }
        if (cycle == 0) {
            if (!initialise(start)) {
                endWith(kCalInitFailed);
                break;
            }
            continue;
        }
        if (cycle <= kIdleCycles)
            continue;
        const int count = static_cast<int>(targets_.size());
        const int index = state_.index;
        Outcome outcome = Outcome::Continue;
        if (index < count) {
            switch (collector.cycle()) {
            case TargetCollector::Step::QueryFailed:
                fail(QStringLiteral("the touch query failed"));
                outcome = Outcome::Failed;
                break;
            case TargetCollector::Step::ImagesFailed:
                emit sendData(kCalImageFailed);
                fail(QStringLiteral("reading the line images of target %1 failed").arg(index + 1));
                outcome = Outcome::Failed;
                break;
            case TargetCollector::Step::Continue:
                break;
            }
        } else if (index == count) {
            outcome = compute();
        } else {
            outcome = store();
        }
        if (outcome != Outcome::Continue)
            break;
    }
    buffers_.reset();
}

CalibrationWorker::Outcome CalibrationWorker::compute()
{
    state_.shownTarget = static_cast<int>(targets_.size()) - 1; // the last target
    emit sendData(kCalShowTarget);
    setProgress(0);
    return fast_ ? computeFast() : computeFull();
}

template <typename Inputs>
Inputs CalibrationWorker::solveInputs() const
{
    Inputs inputs;
    inputs.width = setup_.width;
    inputs.height = setup_.height;
    inputs.table = &table();
    std::lock_guard lock(state_.mutex());
    std::copy_n(state_.leftInputs.begin(), inputs.left.size(), inputs.left.begin());
    std::copy_n(state_.rightInputs.begin(), inputs.right.size(), inputs.right.begin());
    return inputs;
}

CalibrationWorker::Outcome CalibrationWorker::computeFull()
{
    auto inputs = solveInputs<SolveInputs>();
    for (size_t k = 0; k < targets_.size(); ++k)
        inputs.targets[k] = targets_[k];
    SolveControl control;
    control.progress = [this](int percent) { setProgress(percent); };
    control.stopRequested = [this] { return mustEnd(); };
    const Solve16Result result = Solve16(inputs, control);
    return takeSolution(result.status, result.error, result.record, result.g_ClbInfoR, "gClbInfo");
}

// A finished solve: a failure ends the run, a result is kept and logged, and the run
// goes on to the store.
CalibrationWorker::Outcome CalibrationWorker::takeSolution(SolveStatus status, const QString& error,
                                                           const CalibrationRecord& record, float r,
                                                           const char* logName)
{
    if (status == SolveStatus::Stopped)
        return Outcome::Continue;
    if (status == SolveStatus::Failed) {
        fail(error);
        return Outcome::Failed;
    }
    {
        std::lock_guard lock(resultMutex_);
        record_ = record;
        R_ = r;
    }
    logCalibrationRecord(logName, record, setup_.width, setup_.height, r);
    state_.index = static_cast<int>(targets_.size()) + 1;
    return Outcome::Continue;
}

CalibrationWorker::Outcome CalibrationWorker::computeFast()
{
    const auto inputs = solveInputs<FastInputs>();
    SolveControl control;
    control.stopRequested = [this] { return mustEnd(); };
    const FastResult result = SolveFast(device_, inputs, control);
    return takeSolution(result.status, result.error, result.record, result.R, "gFastClbInfo");
}

CalibrationWorker::Outcome CalibrationWorker::store()
{
    SolveControl control;
    control.stopRequested = [this] { return mustEnd(); };
    control.operatorStop = [this] { return stopRequested(); };
    if (fast_)
        setProgress(90);
    else
        control.progress = [this](int percent) { setProgress(percent); };
    const StoreOutcome outcome =
        StoreRecord(device_, record(), setup_.width, setup_.height, table(), control);
    if (outcome.status == SolveStatus::Stopped)
        return Outcome::Continue;
    if (outcome.status == SolveStatus::Failed) {
        fail(outcome.error);
        return Outcome::Failed;
    }
    emit sendData(kCalStored);
    state_.progress = 100;
    state_.index = 0;
    return Outcome::Finished;
}
