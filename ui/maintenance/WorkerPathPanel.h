#pragma once

#include "maintenance/ReportedLines.h"
#include "ui/maintenance/PathActionPanel.h"

#include <memory>

class Device;
class DeviceWorker;

// A file row whose work runs on a worker that files its lines with each code (the FPGA
// download, the script): the panel owns the worker, runs one at a time, and hands each
// code's lines to the log area.
class WorkerPathPanel : public PathActionPanel {
    Q_OBJECT
public:
    ~WorkerPathPanel() override;

    bool running() const;
    void stopWorkers() override;

public slots:
    void recvData(int code);

protected:
    WorkerPathPanel(QWidget* parent, const QRect& designRect, double scale, int label, int action,
                    QString filter, Device& device);

    bool working() const override { return running(); }
    // Starts a worker made on the panel's device and lines (the window ran its guard);
    // false when it did not start.
    bool start(std::unique_ptr<DeviceWorker> worker);
    Device& device() const { return device_; }
    ReportedLines& lines() { return lines_; }

private:
    Device& device_;
    ReportedLines lines_;
    std::unique_ptr<DeviceWorker> worker_;
};
