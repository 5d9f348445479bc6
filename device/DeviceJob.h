#pragma once

#include "device/WorkerThread.h"

#include <functional>

// One short device operation a window starts (a mode switch, a record write), run off
// the GUI thread: the job runs once on the worker's thread and its int result comes
// back queued through sendData(int). The window shows it is busy until then.
//
//   auto* job = new DeviceJob([&device] { return SwitchMode(device, CalibrationMode); }, this);
//   connect(job, &DeviceJob::sendData, this, &Window::onSwitched);
//   job->startJob(); // deletes itself once it has reported
class DeviceJob : public WorkerThread {
    Q_OBJECT
public:
    explicit DeviceJob(std::function<int()> job, QObject* parent = nullptr);
    ~DeviceJob() override;

    // Starts the job; the object deletes itself after its thread has ended.
    bool startJob();

signals:
    void sendData(int result);

protected:
    void run() override;

private:
    std::function<int()> job_;
};
