#pragma once

#include "device/Device.h"
#include "device/DeviceWorker.h"
#include "imaging/LineImages.h"

#include <QString>

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>

// What the factory test window and the sensor test worker share.
struct SensorTestState {
    std::atomic<int> imageMode{1}; // 1 image mode, 0 sensor mode (set before the start)
    std::atomic<int> passCount{0}; // shown by the window
};

// The endurance test of both sensor paths, pass after pass until stopped or a
// difference is found. Image mode: both sensors show their test pattern and every pass's
// pictures must equal the first pass's. Sensor mode: registers 0..31 are written with
// their index and every pass must read the first pass's values. Reports with
// sendData(int).
class ImageSensorTestThread : public DeviceWorker {
    Q_OBJECT
public:
    enum Code {
        kDeviceLost = 0,
        kPassStarted = 3,
        kImageDiffers = 10,    // both pairs of pictures were dumped
        kRegistersDiffer = 11, // both readings were logged
    };
    static constexpr int kRegisters = 32;
    using Readings = std::array<uint8_t, kRegisters>;

    // dumpPrefix: where the frame dumps of a difference go (prefix + n + "_Master.dat").
    ImageSensorTestThread(Device& device, SensorTestState& state, QString dumpPrefix,
                          QObject* parent = nullptr);
    ~ImageSensorTestThread() override;

    // Writes the dumps of pass n (SaveCalibrationImages unless replaced, for example by
    // a caller that checks every file it writes); returns how many were written. Runs
    // on the worker's thread; set it before the start.
    using DumpWriter = std::function<int(const QString& prefix, int n, const uint8_t* master,
                                         const uint8_t* slave)>;
    void setDumpWriter(DumpWriter writer) { dumpWriter_ = std::move(writer); }

    // Clears the stop flag and the pass counter; in image mode allocates the frame
    // buffers first and does not start when that fails.
    bool startTest() { return startWorker(); }
    // Sets the stop flag, waits for the worker and (image mode) frees the buffers.
    void stopTest() { stopAndWait(); }

    // Sensor mode: the first pass's readings and the current pass's (read them once the
    // worker has ended).
    const Readings& firstReadings(Side side) const
    {
        return side == Side::Master ? L_First : R_First;
    }
    const Readings& currentReadings(Side side) const
    {
        return side == Side::Master ? L_Error : R_Error;
    }

protected:
    void run() override;
    bool prepare() override;
    // The buffers go only once the worker has stopped reading into them.
    void cleanUp() override;

private:
    // Before every device access: false to end (stop flag, or code 0 for a lost frame).
    bool mayAccess();
    // After a failed access: a frame lost on the way is reported, anything else is not.
    void accessFailed();
    void runImageMode();
    void runSensorMode();
    void logReadings();

    SensorTestState& state_;
    QString dumpPrefix_;
    DumpWriter dumpWriter_;
    std::optional<FrameBuffers> buffers_;
    Readings L_First{};
    Readings R_First{};
    Readings L_Error{};
    Readings R_Error{};
};
