#pragma once

// One test's world around an in-process virtual frame, as most tests want it: the
// protocol waits off (or scaled), the device layer's process-wide state reset, the
// program folder (VIRETO_HOME: settings, copies of rewritten blocks) in a scratch
// folder, the run's log in another, and the tool's device stack on the frame, opened
// and marked present. Everything is put back when the harness goes.
//
// Folders with process-wide state of their own reset it in their fixtures as well
// (resetImagingState, resetCalibrationState, ...).

#include "device/Delay.h"
#include "device/Device.h"
#include "device/DeviceState.h"
#include "sim/SimTransport.h"
#include "sim/VirtualFrame.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <memory>

class FrameHarness {
public:
    struct Options {
        double timeScale = 0.0;
        bool open = true; // open the frame and mark it present
    };

    explicit FrameHarness(
        std::shared_ptr<sim::VirtualFrame> frame = std::make_shared<sim::VirtualFrame>())
        : FrameHarness(std::move(frame), Options{})
    {
    }
    FrameHarness(std::shared_ptr<sim::VirtualFrame> frame, Options options)
        : frame(std::move(frame)), device(std::make_unique<sim::SimTransport>(this->frame)),
          outerHome_(qgetenv("VIRETO_HOME"))
    {
        qputenv("VIRETO_HOME", home.path().toLocal8Bit());
        delay::setTimeScale(options.timeScale);
        resetDeviceState();
        if (options.open) {
            EXPECT_TRUE(reopen()) << "the virtual frame did not open";
        }
    }
    ~FrameHarness()
    {
        delay::setTimeScale(1.0);
        if (outerHome_.isEmpty())
            qunsetenv("VIRETO_HOME");
        else
            qputenv("VIRETO_HOME", outerHome_);
    }
    FrameHarness(const FrameHarness&) = delete;
    FrameHarness& operator=(const FrameHarness&) = delete;

    // Opens the frame (again) and marks it present and answering; false when it is gone.
    bool reopen()
    {
        uint16_t product = 0;
        const bool ok = device.transport().open(product) == 1;
        g_bDevExist = ok ? 1 : 0;
        g_isDeviceCommunicate = 1;
        return ok;
    }
    sim::SimTransport& transport() { return static_cast<sim::SimTransport&>(device.transport()); }
    QByteArray logText() const { return log.text(); }

    ScratchDir home;
    LogCapture log;
    std::shared_ptr<sim::VirtualFrame> frame;
    Device device;

private:
    QByteArray outerHome_;
};

// A fixture around the harness, for tests that keep the frame and the device as
// members: a fresh harness per test; useFrame() starts over on another virtual frame
// (blank flash, other contents, other options). The harness goes with the fixture,
// after the members of derived fixtures (windows and workers that use its device).
class FrameTest : public ::testing::Test {
protected:
    void SetUp() override { useFrame(std::make_shared<sim::VirtualFrame>()); }

    void useFrame(std::shared_ptr<sim::VirtualFrame> f, FrameHarness::Options options = {})
    {
        host.reset();
        host = std::make_unique<FrameHarness>(std::move(f), options);
        frame = host->frame;
        device = &host->device;
    }
    QByteArray logText() const { return host->logText(); }

    std::unique_ptr<FrameHarness> host;
    std::shared_ptr<sim::VirtualFrame> frame;
    Device* device = nullptr;
};
