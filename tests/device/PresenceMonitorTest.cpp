#include "device/PresenceMonitor.h"

#include "device/DeviceArrivalWatcher.h"

#include "device/Delay.h"
#include "device/DeviceState.h"
#include "sim/SimTransport.h"
#include "sim/VirtualFrame.h"
#include "tests/support/FrameHarness.h"
#include "tests/support/LogCapture.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <mutex>

namespace {

// Drives the machine pass by pass with the waits off, recording the codes it sends.
// The machine opens the frame itself.
class PresenceMachineTest : public FrameTest {
protected:
    void SetUp() override
    {
        useFrame(std::make_shared<sim::VirtualFrame>(), {.timeScale = 0.0, .open = false});
    }

    PresenceMachine machine(MonitorVariant variant = MonitorVariant::Engineering)
    {
        return PresenceMachine(
            *device, variant, [this](int c) { codes.push_back(c); }, stop);
    }
    void run(PresenceMachine& m, int passes)
    {
        for (int i = 0; i < passes; ++i)
            ASSERT_TRUE(m.runOnce());
    }
    // Passes until a code arrives (or the limit); returns how many it took.
    int runUntilCode(PresenceMachine& m, int limit = 200)
    {
        const size_t before = codes.size();
        for (int i = 1; i <= limit; ++i) {
            m.runOnce();
            if (codes.size() > before)
                return i;
        }
        return -1;
    }

    std::vector<int> codes;
    std::atomic<int> stop{0};
};

TEST_F(PresenceMachineTest, AFrameAttachedAtStartIsAnnouncedOnceWithoutCheckingCode)
{
    PresenceMachine m = machine();
    run(m, 2);
    EXPECT_EQ(codes, std::vector<int>{kCodeReady});
    EXPECT_EQ(checkState, DEVICE_CHECKING);
    EXPECT_EQ(g_bDevExist, 1);
    run(m, 50);
    EXPECT_EQ(codes, std::vector<int>{kCodeReady}) << "a watched frame is not announced again";
    EXPECT_TRUE(host->log.contains("Open hid device success!PID:0xcb12\n"));
}

TEST_F(PresenceMachineTest, PlugInAfterStartIsCheckedForEightProbesThenAnnounced)
{
    frame->unplug();
    PresenceMachine m = machine();
    run(m, 2);
    EXPECT_EQ(codes, std::vector<int>{kCodeNoFrame});
    EXPECT_EQ(checkState, DEVICE_ABSENT);
    run(m, 5);
    EXPECT_EQ(codes.size(), 1u) << "absent and looking, quietly";

    frame->plug();
    EXPECT_EQ(runUntilCode(m), 1);
    EXPECT_EQ(codes.back(), kCodeCheckStarted);
    EXPECT_EQ(checkState, DEVICE_CHECKING);
    // Eight good probes in state 2, then the report of state 6.
    EXPECT_EQ(runUntilCode(m), 9);
    EXPECT_EQ(codes, (std::vector<int>{kCodeNoFrame, kCodeCheckStarted, kCodeReady}));
}

TEST_F(PresenceMachineTest, ABrokenRunOfProbesIsNotAnnounced)
{
    frame->unplug();
    PresenceMachine m = machine();
    run(m, 2);
    frame->plug();
    ASSERT_EQ(runUntilCode(m), 1); // 7
    run(m, 4);
    frame->unplug();
    EXPECT_EQ(runUntilCode(m), 2);
    EXPECT_EQ(codes.back(), kCodeNoFrame);
    EXPECT_TRUE(host->log.contains("No hid device!(DEVICE_CHECKING:checkDeviceValue == 2)\n"));
}

TEST_F(PresenceMachineTest, UnpluggingAWatchedFrameIsReportedAtTheNextProbe)
{
    PresenceMachine m = machine();
    run(m, 2);
    frame->unplug();
    EXPECT_EQ(runUntilCode(m), 2); // the probe, then the report
    EXPECT_EQ(codes.back(), kCodeNoFrame);
    EXPECT_EQ(checkState, DEVICE_ABSENT);
}

TEST_F(PresenceMachineTest, ABootLoaderIsReportedAndStillWatched)
{
    frame->setProductId(0xCB11);
    PresenceMachine m = machine();
    run(m, 2);
    EXPECT_EQ(codes, std::vector<int>{kCodeBootLoader});
    EXPECT_EQ(checkState, DEVICE_CHECKING);
    run(m, 10);
    EXPECT_EQ(checkState, DEVICE_CHECKING);
    EXPECT_TRUE(host->log.contains("Open hid device success!PID:0xcb11\n"));
}

TEST_F(PresenceMachineTest, TheWrongCollectionCountsAsAbsent)
{
    PresenceMachine m = machine();
    run(m, 2);
    frame->setCollectionUsage(sim::VirtualFrame::kVendorCollection, 0x0001, 0x0002);
    EXPECT_EQ(runUntilCode(m), 2);
    EXPECT_EQ(codes.back(), kCodeNoFrame);
    EXPECT_TRUE(host->log.contains("No hid device!(DEVICE_CHECKING:checkDeviceValue == 1)\n"));
    EXPECT_EQ(checkState, DEVICE_ABSENT);
}

TEST_F(PresenceMachineTest, AFrameWithoutItsVendorCollectionIsNotFound)
{
    frame->setVendorCollectionPresent(false);
    PresenceMachine m = machine();
    run(m, 2);
    EXPECT_EQ(codes, std::vector<int>{kCodeNoFrame});
    run(m, 20);
    EXPECT_EQ(codes.size(), 1u);
}

TEST_F(PresenceMachineTest, AbsenceDuringAnUpdateIsCodeThreeInTheEngineeringMonitorOnly)
{
    frame->unplug();
    PresenceMachine m = machine();
    run(m, 2);
    updatePending = 1;
    g_bDevExist = 1;
    run(m, 3);
    EXPECT_EQ(codes, (std::vector<int>{kCodeNoFrame, 3, 3, 3}));
    EXPECT_EQ(g_bDevExist, 0);

    codes.clear();
    checkState = FIRST_OPEN_TOOL;
    PresenceMachine user = machine(MonitorVariant::User);
    run(user, 5);
    EXPECT_EQ(codes, std::vector<int>{kCodeNoFrame});
}

// The firmware update moves the machine while a pass looks at the frame, as when the
// frame leaves the bus after the jump before the update has set state 3.
class MovingTransport : public sim::SimTransport {
public:
    using SimTransport::SimTransport;
    int probe(uint16_t& productId) override { return moved(SimTransport::probe(productId)); }
    int open(uint16_t& productId) override { return moved(SimTransport::open(productId)); }
    int moved(int result)
    {
        if (moveTo)
            checkState = moveTo;
        return result;
    }
    uint8_t moveTo = 0;
};

TEST_F(PresenceMachineTest, AMoveMadeDuringAPassStandsAndSilencesItsReport)
{
    auto owned = std::make_unique<MovingTransport>(frame);
    MovingTransport& transport = *owned;
    Device moving(std::move(owned));
    PresenceMachine m(
        moving, MonitorVariant::Engineering, [this](int c) { codes.push_back(c); }, stop);
    run(m, 2);
    frame->unplug();
    transport.moveTo = WAIT_BOOT_LOADER;
    run(m, 1); // the probe finds the frame gone, the update has moved on meanwhile
    EXPECT_EQ(checkState, WAIT_BOOT_LOADER);

    // In state 5 during an update, a move to state 3 silences code 3.
    transport.moveTo = 0;
    checkState = DEVICE_ABSENT;
    updatePending = 1;
    transport.moveTo = WAIT_BOOT_LOADER;
    run(m, 1);
    EXPECT_EQ(codes, std::vector<int>{kCodeReady}) << "no code 3, no code 15";
    EXPECT_EQ(checkState, WAIT_BOOT_LOADER);
}

TEST_F(PresenceMachineTest, WaitingForTheBootLoaderAfterAJump)
{
    PresenceMachine m = machine();
    run(m, 2);
    ASSERT_EQ(device->commands.jump(cmd::kJumpBootLoader), 1);
    checkState = WAIT_BOOT_LOADER;
    retryCount = 0;
    EXPECT_EQ(runUntilCode(m), 2);
    EXPECT_EQ(codes.back(), kCodeBootLoader);
    EXPECT_EQ(checkState, DEVICE_CHECKING);
}

TEST_F(PresenceMachineTest, WaitingForTheBootLoaderGivesUpAfterThirtyAttempts)
{
    PresenceMachine m = machine();
    run(m, 2);
    checkState = WAIT_BOOT_LOADER; // the application stays: no boot loader comes
    retryCount = 0;
    EXPECT_EQ(runUntilCode(m), 31);
    EXPECT_EQ(codes.back(), kCodeNoFrame);
}

TEST_F(PresenceMachineTest, WaitingForTheApplicationAnnouncesItAgain)
{
    PresenceMachine m = machine();
    run(m, 2);
    ASSERT_EQ(device->commands.jump(cmd::kJumpBootLoader), 1);
    checkState = WAIT_BOOT_LOADER;
    ASSERT_EQ(runUntilCode(m), 2); // 14
    ASSERT_EQ(device->commands.jump(cmd::kJumpApplication), 1);
    checkState = WAIT_APPLICATION;
    retryCount = 0;
    EXPECT_EQ(runUntilCode(m), 2);
    EXPECT_EQ(codes, (std::vector<int>{kCodeReady, kCodeBootLoader, kCodeReady}));
}

TEST_F(PresenceMachineTest, OtherEditionsHaveNoJumpStates)
{
    checkState = WAIT_APPLICATION;
    PresenceMachine m = machine(MonitorVariant::Test);
    run(m, 2);
    EXPECT_EQ(codes, std::vector<int>{kCodeReady}) << "state 4 is a first look for them";
}

TEST_F(PresenceMachineTest, TheSingleFunctionMonitorAsksForTheStatusFirst)
{
    frame->setErrorCode(0x1234);
    PresenceMachine m = machine(MonitorVariant::Single);
    run(m, 2);
    EXPECT_EQ(codes, std::vector<int>{kCodeReady});
    const auto requests = frame->requestLog();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0][1], 0x30);
    EXPECT_EQ(g_ErrorCode, 0x1234u);
}

TEST_F(PresenceMachineTest, AStopRequestEndsAPass)
{
    PresenceMachine m = machine();
    stop = 1;
    EXPECT_FALSE(m.runOnce());
    EXPECT_TRUE(codes.empty());
}

// The thread around the machine, with the codes arriving through the queued signal.
class MonitorThreadTest : public PresenceMachineTest {
protected:
    std::vector<int> waitForCodes(size_t n, int ms = 5000)
    {
        QElapsedTimer t;
        t.start();
        while (received.size() < n && t.elapsed() < ms)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        return received;
    }
    std::vector<int> received;
};

TEST_F(MonitorThreadTest, CodesArriveQueuedAndStoppingResetsTheState)
{
    delay::setTimeScale(0.01);
    GetDeviceConfigThread monitor(*device);
    QObject::connect(&monitor, &DeviceMonitorThread::sendShowData, &monitor,
                     [this](int c) { received.push_back(c); });
    monitor.startMonitor();
    EXPECT_EQ(waitForCodes(1), std::vector<int>{kCodeReady});
    frame->unplug();
    EXPECT_EQ(waitForCodes(2), (std::vector<int>{kCodeReady, kCodeNoFrame}));
    frame->plug();
    EXPECT_EQ(waitForCodes(4),
              (std::vector<int>{kCodeReady, kCodeNoFrame, kCodeCheckStarted, kCodeReady}));
    monitor.stop();
    EXPECT_FALSE(monitor.isRunning());
    EXPECT_EQ(checkState, FIRST_OPEN_TOOL);
}

TEST_F(MonitorThreadTest, ARestartBeginsWhereAnotherPartLeftTheMachine)
{
    GetDeviceConfigThread monitor(*device);
    QObject::connect(&monitor, &DeviceMonitorThread::sendShowData, &monitor,
                     [this](int c) { received.push_back(c); });
    monitor.startMonitor();
    ASSERT_EQ(waitForCodes(1), std::vector<int>{kCodeReady});
    monitor.stop();
    ASSERT_EQ(device->commands.jump(cmd::kJumpBootLoader), 1);
    checkState = WAIT_BOOT_LOADER; // as the firmware update does
    retryCount = 0;
    monitor.startMonitor();
    EXPECT_EQ(waitForCodes(2), (std::vector<int>{kCodeReady, kCodeBootLoader}));
}

} // namespace

namespace {

TEST(DeviceArrival, AStoppedMonitorRestartsOnADeviceChange)
{
    FrameHarness host(std::make_shared<sim::VirtualFrame>(), {.timeScale = 0.01, .open = false});
    GetDeviceConfigThread monitor(host.device);
    DeviceArrivalWatcher watcher; // inactive where udev is missing; must not disturb
    QObject::connect(&watcher, &DeviceArrivalWatcher::deviceChanged, &monitor,
                     &DeviceMonitorThread::deviceChanged);
    EXPECT_FALSE(monitor.isRunning());
    monitor.deviceChanged();
    EXPECT_TRUE(monitor.isRunning());
    monitor.deviceChanged(); // already running: nothing happens
    monitor.stop();
    EXPECT_FALSE(monitor.isRunning());
}

} // namespace
