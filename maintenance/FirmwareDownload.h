#pragma once

#include "codec/FirmwareImage.h"
#include "device/Device.h"
#include "device/DeviceWorker.h"
#include "maintenance/MaintenanceState.h"

#include <atomic>
#include <functional>

// Codes of the firmware download, as the update window receives them.
enum FirmwareCode {
    kFwProgress = 0,    // the progress value changed
    kFwStepFailed = 3,  // a step failed
    kFwDone = 4,        // both parts written
    kFwCannotOpen = 5,  // the image file cannot be opened
    kFwNoFrame = 8,     // no frame connected
    kFwFirstPacket = 9, // the first packet is about to be sent
};

// Stream state of a download: which flag the next packet carries.
enum StreamState { kStreamIdle = 0, kStreamFirst = 1, kStreamMiddle = 2, kStreamLast = 3 };

// The transfer into a frame that runs its boot loader: part A on download stream A
// followed by its image descriptor, part B on stream B followed by the new version
// block, then a valid configuration record. Runs on the update worker; every report
// goes through send().
class FirmwareDownload {
public:
    static constexpr size_t kPacket = 62;
    static constexpr double kPartAWaitMs = 2000.0;

    FirmwareDownload(Device& device, QString path, FirmwareHeader header,
                     const std::atomic<int>& stop, std::function<void(int)> send);

    // The whole worker run.
    void run();

    int streamState() const { return streamState_; }

private:
    enum class Part { A, B };
    // 1 done, 2 failed (the code was sent), 0 left because of the stop flag.
    int downloadPart(Part part);
    bool frameStillThere();
    void progress(int value);

    Device& device_;
    QString path_;
    FirmwareHeader header_;
    const std::atomic<int>& stop_;
    std::function<void(int)> send_;
    int streamState_ = kStreamIdle;
};

// The update worker: a thread around FirmwareDownload that reports its FirmwareCode
// values with sendData(int).
class CFirmwareUpdateThread : public DeviceWorker {
    Q_OBJECT
public:
    CFirmwareUpdateThread(Device& device, QString path, FirmwareHeader header,
                          QObject* parent = nullptr);
    ~CFirmwareUpdateThread() override;

    void startUpdate() { startWorker(); }
    void stop() { stopAndWait(); }

protected:
    void run() override;

private:
    QString path_;
    FirmwareHeader header_;
};

// Writes the image descriptor and the version block of the Master module to the log
// ("HInfo:" and "Imageversion:" lines), as the engineering window's device test does.
void logImageDescriptor(Device& device);
