#pragma once

#include "calibration/AccuracyCheck.h"
#include "codec/CalibrationRecord.h"
#include "device/Device.h"
#include "device/DeviceWorker.h"

#include <QString>

#include <array>
#include <mutex>
#include <vector>

// What the check on screen hands to its worker.
struct CalibrationCheckSetup {
    int width = 0; // the screen the crosses are drawn on
    int height = 0;
    int sensorType = 0;
    int crosses = 9;
    uint32_t seed = 1;
    // Where no cross may go (the window's message and buttons): x, y, width, height.
    std::array<int, 4> keepClear{};
    CalibrationRecord record;    // the record stored in the frame
    accuracy_check::Truth truth; // set on the virtual frame only
};

// The codes the check sends with sendData(int).
enum CalibrationCheckCode {
    kCheckShowCross = 0,  // show cross current()
    kCheckInitFailed = 1, // the frame refused the start
    kCheckFailed = 2,     // a touch query failed (lastError())
    kCheckMeasured = 3,   // one more touch measured (touches())
    kCheckDone = 4,       // every cross measured
};

// The check on screen: crosses at random places inside the calibrated area, one after
// the other; each steady touch is located with the stored record, the same way the
// command line's check does it. Waits for each touch until it is stopped.
class CalibrationCheckThread : public DeviceWorker {
    Q_OBJECT
public:
    explicit CalibrationCheckThread(Device& device, QObject* parent = nullptr);
    ~CalibrationCheckThread() override;

    // Refuses (false) while it runs or without crosses.
    bool begin(const CalibrationCheckSetup& setup);

    const std::vector<camera_model::PointF>& places() const { return places_; }
    int current() const { return current_; }
    std::vector<accuracy_check::Touch> touches() const;
    QString lastError() const;

protected:
    void run() override;

private:
    CalibrationCheckSetup setup_;
    std::vector<camera_model::PointF> places_; // set before the start, read-only while it runs
    std::atomic<int> current_{0};
    mutable std::mutex mutex_;
    std::vector<accuracy_check::Touch> touches_;
    QString error_;
};
