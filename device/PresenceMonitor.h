#pragma once

#include "app/ProcessValue.h"
#include "device/Device.h"
#include "device/WorkerThread.h"

#include <atomic>
#include <cstdint>
#include <functional>

// Shared state of the presence monitor. Other parts move the machine by writing
// checkState and clearing retryCount (the firmware update waits for the boot loader
// with state 3 and for the application with state 4).
extern ProcessValue<uint8_t> checkState; // 1..6
extern ProcessValue<int> openResult; // fed into state 6: 0 not found, 1 found, 2 wrong collection
extern ProcessValue<uint8_t> retryCount; // attempts of states 2, 3 and 4
extern ProcessValue<int> updatePending;  // a firmware update is running
extern ProcessValue<int> bootLoaderSeen; // the boot-loader product ID was reported

enum MonitorState : uint8_t {
    FIRST_OPEN_TOOL = 1, // first look
    DEVICE_CHECKING = 2, // attached and watched
    WAIT_BOOT_LOADER = 3,
    WAIT_APPLICATION = 4,
    DEVICE_ABSENT = 5,
    REPORT_OUTCOME = 6,
};

// Codes the monitor sends to its window.
enum MonitorCode {
    kCodeAbsentDuringUpdate = 3,
    kCodeCheckStarted = 7,
    kCodeReady = 13,
    kCodeBootLoader = 14,
    kCodeNoFrame = 15,
};

// Which edition's monitor: the engineering one knows the firmware-update states 3 and
// 4 and reports absence during an update as code 3; the single-function one asks the
// frame for its status before it reports a ready frame.
enum class MonitorVariant { Engineering, User, Test, Single };

// The machine that finds the frame and watches it: one pass per call of runOnce(), so
// that it can be driven step by step without a thread. It only opens and probes the
// transport (and, in the single-function edition, asks the frame's status).
class PresenceMachine {
public:
    static constexpr double kProbePeriodMs = 100.0;
    static constexpr double kJumpWaitMs = 500.0;
    static constexpr int kConfirmProbes = 8;
    static constexpr int kJumpWaitAttempts = 30;

    PresenceMachine(Device& device, MonitorVariant variant, std::function<void(int)> send,
                    const std::atomic<int>& stop);

    // Handles the current checkState once. Returns false when the stop flag was seen.
    bool runOnce();

    uint16_t productId() const { return productId_; }
    bool announced() const { return announced_; }

private:
    bool sleep(double ms);
    bool firstOpen();
    bool checking();
    bool waitAfterJump(bool (*wanted)(uint16_t));
    bool waitForBootLoader();
    bool waitForApplication();
    bool absent();
    bool report();
    // Leaves the state this pass handles, unless another part has moved the machine.
    void moveTo(uint8_t state);
    bool movedElsewhere() const;

    Device& device_;
    MonitorVariant variant_;
    std::function<void(int)> send_;
    const std::atomic<int>& stop_;
    uint16_t productId_ = 0;
    bool announced_ = false;
    uint8_t handling_ = FIRST_OPEN_TOOL; // the state of the current pass
};

// The monitor thread of a main window. Starting it runs the machine until the stop
// flag is set; leaving sets checkState back to 1. The codes (MonitorCode) reach the
// window through the queued signal sendShowData(int).
class DeviceMonitorThread : public WorkerThread {
    Q_OBJECT
public:
    DeviceMonitorThread(Device& device, MonitorVariant variant, QObject* parent = nullptr);
    ~DeviceMonitorThread() override;

    // A running monitor goes on; a stopped one starts again.
    void startMonitor() { startWorker(); }
    void stop() { stopAndWait(); }
    // A device came or went: a stopped monitor starts again (a running one goes on).
    void deviceChanged() { startMonitor(); }

signals:
    void sendShowData(int code);

protected:
    void run() override;

private:
    Device& device_;
    MonitorVariant variant_;
};

// The four editions' monitors: the same thread, each with its edition's variant.
template <MonitorVariant Variant>
class EditionMonitorThread : public DeviceMonitorThread {
public:
    explicit EditionMonitorThread(Device& device, QObject* parent = nullptr)
        : DeviceMonitorThread(device, Variant, parent)
    {
    }
};

using GetDeviceConfigThread = EditionMonitorThread<MonitorVariant::Engineering>;
using GetDeviceConfigThreadUser = EditionMonitorThread<MonitorVariant::User>;
using GetDeviceConfigThreadTest = EditionMonitorThread<MonitorVariant::Test>;
using GetDeviceConfigThreadSingle = EditionMonitorThread<MonitorVariant::Single>;
