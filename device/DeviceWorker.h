#pragma once

#include "device/Device.h"
#include "device/WorkerThread.h"

#include <functional>

// A worker that works on the frame and reports its codes with sendData(int): most of
// the tool's workers (the calibration, key, imaging and maintenance workers). The
// monitor and the flash test report with sendShowData(int) and stay plain workers.
class DeviceWorker : public WorkerThread {
    Q_OBJECT
signals:
    void sendData(int code);

protected:
    DeviceWorker(Device& device, QObject* parent) : WorkerThread(parent), device_(device)
    {
        orderHandOvers(this, &DeviceWorker::sendData);
    }

    // For an engine that runs on this thread and reports through a callback: each code
    // becomes a queued sendData(int).
    std::function<void(int)> reporter()
    {
        return [this](int code) { emit sendData(code); };
    }

    Device& device_;
};
