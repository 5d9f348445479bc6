#pragma once

#include "calibration/FindColumnRun.h"
#include "device/Device.h"
#include "device/WorkerThread.h"

// The find-column window's worker: one FindColumnRun on its own thread. W x H is the
// screen the corners are shown on; the codes (FindColumnRun::FindColumnCode) go out
// queued through sendSubData(int).
class FindColumnThread : public WorkerThread {
    Q_OBJECT
public:
    FindColumnThread(Device& device, FindColumnState& state, int width, int height,
                     QObject* parent = nullptr);
    ~FindColumnThread() override;

signals:
    void sendSubData(int code);

protected:
    bool prepare() override;
    void run() override;

private:
    Device& device_;
    FindColumnState& state_;
    int width_;
    int height_;
};
