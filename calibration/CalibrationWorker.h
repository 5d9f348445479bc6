#pragma once

#include "codec/CalibrationRecord.h"
#include "calibration/CalibrationRunState.h"
#include "calibration/FitFormulas.h"
#include "calibration/Solver16.h"
#include "device/Device.h"
#include "device/DeviceWorker.h"
#include "imaging/LineImages.h"

#include <QString>
#include <QTime>

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

// What the owner tells a calibration worker when it starts one.
struct CalibrationSetup {
    int width = 0; // desktop size in pixels
    int height = 0;
    int sensorType = 0;      // the configuration record's SensorType: picks the angle table
    bool saveImages = false; // Vireto_Debug/GetImageData
};

// The codes a calibration worker sends with sendData(int).
enum CalibrationCode {
    kCalShowTarget = 0,    // a target is to be shown; also at the end when the frame is gone
    kCalInitFailed = 1,    // the frame refused the initialisation
    kCalProcessFailed = 2, // a touch query, an image read, the computation or the store failed
    kCalProgress = 3,      // progress changed (CalibrationRunState::progress)
    kCalStored = 4,        // the record was stored
    kCalTypeSwitched = 6,  // the run type changed while the worker ran
    kCalImageFailed = 9,   // reading the line images for the data files failed
};

// The calibration run of one type on its own thread: initialisation, 99 idle cycles,
// collection of every target (TargetCollector), computation and store. It reports
// only through sendData(int) (queued); the run's state is in CalibrationRunState.
// CalibrationThread and FastCalibrationThread are its two types.
class CalibrationWorker : public DeviceWorker {
    Q_OBJECT
public:
    ~CalibrationWorker() override;

    // The start operation: clears the run state (keeping the run type), allocates the
    // two line-image buffers and starts the thread with the creator's priority. False
    // (the worker is not started) when it runs already or the buffers cannot be
    // allocated.
    bool begin(const CalibrationSetup& setup);

    bool isFastRun() const { return fast_; }
    // After kCalStored: the record that was stored (gClbInfo, or gFastClbInfo after a
    // fast run) and its R. After kCalProcessFailed: why the run failed.
    CalibrationRecord record() const;
    float xScale() const;
    QString lastError() const;

protected:
    CalibrationWorker(Device& device, CalibrationRunState& state, bool fast,
                      QObject* parent = nullptr);
    void run() override;
    bool prepare() override;

private:
    enum class Outcome { Continue, Finished, Failed };

    bool initialise(const QTime& start);
    Outcome collect();
    Outcome compute();
    Outcome computeFull();
    Outcome computeFast();
    // The inputs of a solve (SolveInputs or FastInputs): this run's screen and angle
    // table and the first positions of each camera, read under the run's lock.
    template <typename Inputs>
    Inputs solveInputs() const;
    Outcome takeSolution(SolveStatus status, const QString& error, const CalibrationRecord& record,
                         float r, const char* logName);
    Outcome store();
    void endWith(int code);
    void fail(const QString& why);
    void setProgress(int percent);
    // Asked to stop, or the frame is gone.
    bool mustEnd() const;
    const char* name() const;
    const angle_table::Table& table() const;
    bool saveImages(int n);

    CalibrationRunState& state_;
    const bool fast_;
    CalibrationSetup setup_;
    std::vector<fit_formulas::TargetPoint> targets_;
    std::unique_ptr<FrameBuffers> buffers_;

    mutable std::mutex resultMutex_;
    CalibrationRecord record_;
    float R_ = 0.0f;
    QString error_;
};

// The 16-point run: 16 targets in a 4 x 4 grid; computes a complete record.
class CalibrationThread : public CalibrationWorker {
    Q_OBJECT
public:
    explicit CalibrationThread(Device& device, CalibrationRunState& state = calibrationRunState(),
                               QObject* parent = nullptr)
        : CalibrationWorker(device, state, false, parent)
    {
    }
};

// The fast 4-point run: 4 targets near the corners; replaces the whole-screen map of
// the stored 16-point record.
class FastCalibrationThread : public CalibrationWorker {
    Q_OBJECT
public:
    explicit FastCalibrationThread(Device& device,
                                   CalibrationRunState& state = calibrationRunState(),
                                   QObject* parent = nullptr)
        : CalibrationWorker(device, state, true, parent)
    {
    }
};
