#include "calibration/CalibrationCheckThread.h"

#include "device/DeviceState.h"

#include <algorithm>

CalibrationCheckThread::CalibrationCheckThread(Device& device, QObject* parent)
    : DeviceWorker(device, parent)
{
}

CalibrationCheckThread::~CalibrationCheckThread()
{
    stopAndWait();
}

bool CalibrationCheckThread::begin(const CalibrationCheckSetup& setup)
{
    if (isRunning() || setup.crosses <= 0 || setup.width <= 0 || setup.height <= 0)
        return false;
    setup_ = setup;
    // Clear of the window's own parts, and apart from each other so that each cross and
    // its result can be told apart.
    places_.clear();
    const auto [cx, cy, cw, ch] = setup.keepClear;
    const double apart = std::min(setup.width, setup.height) / 8.0;
    for (const auto& p :
         accuracy_check::randomPlaces(setup.width, setup.height, 16 * setup.crosses, setup.seed)) {
        const bool inside = p.x >= cx && p.x < cx + cw && p.y >= cy && p.y < cy + ch;
        const bool crowded = std::any_of(places_.begin(), places_.end(), [&](const auto& q) {
            return accuracy_check::distance(p, q) < apart;
        });
        if (!inside && !crowded && static_cast<int>(places_.size()) < setup.crosses)
            places_.push_back(p);
    }
    if (places_.empty())
        return false;
    current_ = 0;
    {
        std::lock_guard lock(mutex_);
        touches_.clear();
        error_.clear();
    }
    return startWorker();
}

std::vector<accuracy_check::Touch> CalibrationCheckThread::touches() const
{
    std::lock_guard lock(mutex_);
    return touches_;
}

QString CalibrationCheckThread::lastError() const
{
    std::lock_guard lock(mutex_);
    return error_;
}

void CalibrationCheckThread::run()
{
    accuracy_check::Session session(device_, setup_.record,
                                    angle_table::forSensorType(setup_.sensorType), setup_.truth,
                                    [this] { return stopRequested() || !g_bDevExist; });
    QString error;
    if (!session.begin(setup_.width, setup_.height, error)) {
        {
            std::lock_guard lock(mutex_);
            error_ = error;
        }
        emit sendData(kCheckInitFailed);
        return;
    }
    for (size_t i = 0; i < places_.size() && !stopRequested(); ++i) {
        current_ = static_cast<int>(i);
        emit sendData(kCheckShowCross);
        const auto& p = places_[i];
        const auto touch = session.touch(static_cast<uint8_t>(i), static_cast<int>(p.x),
                                         static_cast<int>(p.y), error);
        if (!touch) {
            if (stopRequested())
                return;
            {
                std::lock_guard lock(mutex_);
                error_ = error;
            }
            emit sendData(kCheckFailed);
            return;
        }
        {
            std::lock_guard lock(mutex_);
            touches_.push_back(*touch);
        }
        emit sendData(kCheckMeasured);
    }
    if (!stopRequested())
        emit sendData(kCheckDone);
}
