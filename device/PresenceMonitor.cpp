#include "device/PresenceMonitor.h"

#include "app/AppContext.h"
#include "app/LogSink.h"
#include "device/Delay.h"
#include "device/DeviceState.h"
#include "device/FrameIdentity.h"
#include "device/StatusCheck.h"

using namespace frame_identity;

ProcessValue<uint8_t> checkState{FIRST_OPEN_TOOL};
ProcessValue<int> openResult{0};
ProcessValue<uint8_t> retryCount{0};
ProcessValue<int> updatePending{0};
ProcessValue<int> bootLoaderSeen{0};

PresenceMachine::PresenceMachine(Device& device, MonitorVariant variant,
                                 std::function<void(int)> send, const std::atomic<int>& stop)
    : device_(device), variant_(variant), send_(std::move(send)), stop_(stop)
{
}

bool PresenceMachine::sleep(double ms)
{
    delay::wait(ms);
    return !stop_;
}

// The firmware update moves the machine while a pass runs (to state 3 after the jump to
// the boot loader, to 4 after the jump back). A pass only leaves the state it handled:
// when another part has moved the machine meanwhile, that move stands.
void PresenceMachine::moveTo(uint8_t state)
{
    uint8_t expected = handling_;
    checkState.compare_exchange_strong(expected, state);
}

bool PresenceMachine::movedElsewhere() const
{
    return checkState != handling_;
}

bool PresenceMachine::runOnce()
{
    if (stop_)
        return false;
    const bool engineering = variant_ == MonitorVariant::Engineering;
    handling_ = checkState.load();
    switch (handling_) {
    case DEVICE_CHECKING:
        return checking();
    case WAIT_BOOT_LOADER:
        return engineering ? waitForBootLoader() : firstOpen();
    case WAIT_APPLICATION:
        return engineering ? waitForApplication() : firstOpen();
    case DEVICE_ABSENT:
        return absent();
    case REPORT_OUTCOME:
        return report();
    default:
        return firstOpen();
    }
}

bool PresenceMachine::firstOpen()
{
    if (device_.transport().open(productId_)) {
        openResult = 1;
        retryCount = 0;
    } else {
        openResult = 0;
    }
    moveTo(REPORT_OUTCOME);
    return true;
}

bool PresenceMachine::checking()
{
    if (!sleep(kProbePeriodMs))
        return false;
    const int checkDeviceValue = device_.transport().probe(productId_);
    LogSink& log = serviceLog();
    if (movedElsewhere())
        return true;
    if (checkDeviceValue == HidTransport::kProbeNotAFrame) {
        openResult = 0;
        moveTo(REPORT_OUTCOME);
        log.log("No hid device!(DEVICE_CHECKING:checkDeviceValue == 2)\n");
        return true;
    }
    if (checkDeviceValue == HidTransport::kProbeWrongCollection) {
        retryCount = 1;
        openResult = 2;
        moveTo(REPORT_OUTCOME);
        log.log("No hid device!(DEVICE_CHECKING:checkDeviceValue == 1)\n");
    } else {
        g_isDeviceCommunicate = 1;
        g_bDevExist = 1;
    }
    if (announced_)
        return true;
    // A frame that has come back is announced once it answered eight probes in a row.
    retryCount = static_cast<uint8_t>(retryCount + 1);
    if (retryCount >= kConfirmProbes) {
        retryCount = 0;
        openResult = 1;
        moveTo(REPORT_OUTCOME);
        return true;
    }
    return sleep(kProbePeriodMs);
}

// One attempt of the wait after a jump: the frame must come back with a product ID of
// the kind the jump asked for, within 30 attempts of 500 ms.
bool PresenceMachine::waitAfterJump(bool (*wanted)(uint16_t))
{
    retryCount = static_cast<uint8_t>(retryCount + 1);
    if (device_.transport().open(productId_) && wanted(productId_)) {
        openResult = 1;
        moveTo(REPORT_OUTCOME);
        return true;
    }
    if (!sleep(kJumpWaitMs))
        return false;
    if (retryCount >= kJumpWaitAttempts) {
        openResult = 0;
        moveTo(REPORT_OUTCOME);
    }
    return true;
}

bool PresenceMachine::waitForBootLoader()
{
    return waitAfterJump([](uint16_t pid) { return pid == kBootLoaderProductId; });
}

bool PresenceMachine::waitForApplication()
{
    const bool running = waitAfterJump(isApplicationProduct);
    if (running && checkState == REPORT_OUTCOME && openResult == 1) {
        // The application is back: it is announced again.
        retryCount = 0;
        announced_ = false;
    }
    return running;
}

bool PresenceMachine::absent()
{
    if (!sleep(kProbePeriodMs))
        return false;
    if (movedElsewhere())
        return true;
    if (device_.transport().open(productId_)) {
        moveTo(DEVICE_CHECKING);
        retryCount = 0;
        send_(kCodeCheckStarted);
        return true;
    }
    if (variant_ == MonitorVariant::Engineering && updatePending) {
        if (!sleep(200.0))
            return false;
        // An update that has just sent its jump waits in state 3: no code 3 for it.
        if (movedElsewhere())
            return true;
        g_bDevExist = 0;
        send_(kCodeAbsentDuringUpdate);
    }
    return true;
}

bool PresenceMachine::report()
{
    if (openResult == 1) {
        g_bDevExist = 1;
        moveTo(DEVICE_CHECKING);
        announced_ = true;
        serviceLog().logf("Open hid device success!PID:0x%04x\n", productId_);
        if (isApplicationProduct(productId_)) {
            if (variant_ == MonitorVariant::Single)
                TestCommunication(device_, &stop_);
            send_(kCodeReady);
        } else {
            send_(productId_ == kBootLoaderProductId ? kCodeBootLoader : kCodeNoFrame);
        }
        return true;
    }
    announced_ = false;
    moveTo(DEVICE_ABSENT);
    send_(kCodeNoFrame);
    return true;
}

DeviceMonitorThread::DeviceMonitorThread(Device& device, MonitorVariant variant, QObject* parent)
    : WorkerThread(parent), device_(device), variant_(variant)
{
    orderHandOvers(this, &DeviceMonitorThread::sendShowData);
}

DeviceMonitorThread::~DeviceMonitorThread()
{
    stopAndWait();
}

void DeviceMonitorThread::run()
{
    PresenceMachine machine(
        device_, variant_, [this](int code) { emit sendShowData(code); }, stopFlag());
    while (machine.runOnce()) {
    }
    checkState = FIRST_OPEN_TOOL;
}
