#pragma once

#include "SceneInputs.h"
#include "app/AppContext.h"
#include "calibration/CalibrationTargets.h"
#include "calibration/Solver16.h"
#include "device/Delay.h"
#include "device/Device.h"
#include "device/DeviceState.h"
#include "sim/SimTransport.h"
#include "sim/TouchModel.h"
#include "sim/VirtualFrame.h"
#include "tests/support/TempDir.h"

#include <QFile>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>

namespace caltest {

// The tool's device stack on an in-process virtual frame, with the protocol waits off
// and the program folder (where copies of a rewritten block go) in a scratch folder.
struct FrameHost {
    explicit FrameHost(std::shared_ptr<sim::VirtualFrame> f = std::make_shared<sim::VirtualFrame>())
        : frame(std::move(f)), device(std::make_unique<sim::SimTransport>(frame)),
          outerHome(qgetenv("VIRETO_HOME"))
    {
        qputenv("VIRETO_HOME", home.path().toLocal8Bit());
        delay::setTimeScale(0.0);
        resetDeviceState();
        uint16_t product = 0;
        EXPECT_EQ(device.transport().open(product), 1);
        g_bDevExist = 1;
        g_isDeviceCommunicate = 1;
    }
    ~FrameHost()
    {
        delay::setTimeScale(1.0);
        if (outerHome.isEmpty())
            qunsetenv("VIRETO_HOME");
        else
            qputenv("VIRETO_HOME", outerHome);
    }

    std::shared_ptr<sim::VirtualFrame> frame;
    Device device;
    ScratchDir home;
    QByteArray outerHome;
};

// The run's log in a scratch folder for one test, read back.
class LogCapture {
public:
    LogCapture()
    {
        appContext().log.setRoot(dir_.file("log"));
        appContext().log.startRun(1, 0);
    }
    ~LogCapture() { appContext().log.setRoot(QStringLiteral("log")); }
    QByteArray text() const
    {
        QFile f(appContext().log.logPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    const ScratchDir& dir() const { return dir_; }

private:
    ScratchDir dir_;
};

} // namespace caltest
