#pragma once

#include "app/AppContext.h"
#include "device/Delay.h"
#include "device/DeviceState.h"
#include "device/PresenceMonitor.h"
#include "sim/SimTransport.h"
#include "sim/VirtualFrame.h"
#include "tests/support/TempDir.h"

#include <QApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

// Windows on the offscreen platform with the real skin, a scratch log and program
// folder, and a virtual frame whose protocol waits are cut to a hundredth.
class UiTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        delay::setTimeScale(0.01);
        resetDeviceState();
        checkState = FIRST_OPEN_TOOL;
        retryCount = 0;
        updatePending = 0;
        bootLoaderSeen = 0;
        previousFolder = QDir::currentPath();
        QDir::setCurrent(home.path());
        AppContext& app = appContext();
        app.toolMode = 1;
        app.subFunction = 0;
        app.languageIndex = 0;
        app.subVersion = 0;
        app.loadLookAndLanguage(1024, 768);
        app.skinDirectory = QString(VIRETO_BIN_DIR) + "/skin/1024/";
        app.log.setRoot(home.file("log"));
        frame = std::make_shared<sim::VirtualFrame>();
        device = std::make_unique<Device>(std::make_unique<sim::SimTransport>(frame));
    }
    void TearDown() override
    {
        delay::setTimeScale(1.0);
        QDir::setCurrent(previousFolder);
        appContext().log.setRoot("log");
    }
    // The frame open and present without a monitor, the waits off and a log run started:
    // for tests that drive a window or its logic directly.
    void openFrameDirectly()
    {
        delay::setTimeScale(0.0);
        uint16_t pid = 0;
        ASSERT_EQ(device->transport().open(pid), 1);
        g_bDevExist = 1;
        appContext().log.startRun(1, 0);
    }
    // Lets queued signals arrive until the condition holds (or 5 s pass).
    template <typename Condition>
    bool waitUntil(Condition condition, int ms = 5000)
    {
        QElapsedTimer t;
        t.start();
        while (!condition() && t.elapsed() < ms)
            QApplication::processEvents(QEventLoop::AllEvents, 10);
        return condition();
    }
    QByteArray logText() const
    {
        QFile f(appContext().log.logPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    ScratchDir home;
    QString previousFolder;
    std::shared_ptr<sim::VirtualFrame> frame;
    std::unique_ptr<Device> device;
};
