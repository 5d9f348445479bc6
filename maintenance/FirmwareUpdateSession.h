#pragma once

#include "device/Device.h"
#include "maintenance/FirmwareImage.h"

#include <QString>
#include <QTemporaryDir>

#include <memory>

// What the update shows and enables: the main window answers these; vireto-cli prints.
class FirmwareUpdateView {
public:
    virtual ~FirmwareUpdateView() = default;
    virtual void showText(int textIndex) = 0;
    virtual void showProgress(int value) = 0; // the progress bar becomes visible
    virtual void hideProgress() = 0;
    virtual void setToolsEnabled(bool enabled) = 0;
};

// One firmware update from a chosen file, driven by the window (or vireto-cli) from the
// codes of the presence monitor and of the update worker:
//   prepare()          checks the file, takes the frame to its boot loader (or finds it
//                      already there) and arms the monitor to wait for it;
//   bootLoaderFound()  the monitor's code 14 while the update is pending: the worker
//                      may start;
//   workerCode()       the worker's codes; code 4 finishes: the jump back to the
//                      application, the monitor waits for it.
class FirmwareUpdateSession {
public:
    enum class Next {
        Stop,           // the update ended (failed or refused); the texts were shown
        WaitBootLoader, // the monitor now waits for the boot loader (state 3)
        StartWorker,    // start the download worker
        WaitApplication // the monitor now waits for the application (state 4)
    };

    FirmwareUpdateSession(Device& device, FirmwareUpdateView& view);
    ~FirmwareUpdateSession();

    Next prepare(const QString& chosenPath);
    Next bootLoaderFound();
    Next workerCode(int code);

    // The file the worker reads (the temporary copy when one was made) and its header.
    const QString& readPath() const { return readPath_; }
    const FirmwareHeader& header() const { return header_; }
    bool usesCopy() const { return copyDir_ != nullptr; }
    uint32_t imageVersionBefore() const { return imageVersion_; }

    static constexpr uint32_t kSensorBlockKeptFrom = 0x01030000;

private:
    bool takeCopyIfNeeded();
    void abandon(int textIndex);
    bool frameLost();
    bool eraseSensorBlockOfOldImages();

    Device& device_;
    FirmwareUpdateView& view_;
    QString chosenPath_;
    QString readPath_;
    FirmwareHeader header_;
    std::unique_ptr<QTemporaryDir> copyDir_;
    uint32_t imageVersion_ = 0xFFFFFFFF;
};
