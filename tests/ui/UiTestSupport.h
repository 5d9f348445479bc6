#pragma once

#include "app/AppContext.h"
#include "calibration/CalibrationWorker.h"
#include "codec/FlashMap.h"
#include "device/Delay.h"
#include "device/DeviceState.h"
#include "device/PresenceMonitor.h"
#include "device/WorkerDriver.h"
#include "sim/SimTransport.h"
#include "sim/VirtualFrame.h"
#include "tests/support/FrameHarness.h"
#include "tests/support/TempDir.h"
#include "transport/SimScene.h"
#include "transport/VirtualScene.h"
#include "ui/widgets/MyMessageBox.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QStringList>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <atomic>

#include <gtest/gtest.h>

// The virtual frame's transport, counting the reports sent from the GUI thread while
// watched: the windows leave every device access to their workers.
class WatchedTransport : public sim::SimTransport {
public:
    using SimTransport::SimTransport;
    int setFeature64(const uint8_t* report) override
    {
        if (watching && QThread::currentThread() == qApp->thread())
            ++fromGuiThread;
        return SimTransport::setFeature64(report);
    }
    std::atomic<bool> watching{false};
    std::atomic<int> fromGuiThread{0};
};

// A 16-point record for a screen of this size, run headless with the virtual operator
// on a frame in calibration mode: true when it was stored.
inline bool storeCalibrationHeadless(Device& device, VirtualScene& scene, const QSize& screen)
{
    scene.placeOperator(screen.width(), screen.height(), 0, 0.5);
    calibrationRunState().fastMode = 0;
    CalibrationThread worker(device);
    CalibrationSetup setup;
    setup.width = screen.width();
    setup.height = screen.height();
    int last = -1;
    const bool ended = runWorker(
        worker, &CalibrationWorker::sendData, [&] { return worker.begin(setup); },
        [&](int code) {
            last = code;
            return code != kCalProcessFailed;
        });
    return ended && last == kCalStored;
}

// Answers every message box as it opens (with key) and keeps what each said: for tests
// whose windows raise boxes in modal loops of their own.
class BoxAnswerer {
public:
    explicit BoxAnswerer(Qt::Key key = Qt::Key_Return, int everyMs = 5)
    {
        QObject::connect(&timer_, &QTimer::timeout, [this, key] {
            if (auto* box = qobject_cast<MyMessageBox*>(QApplication::activeModalWidget())) {
                texts << box->messageText();
                QTest::keyClick(box, key);
            }
        });
        timer_.start(everyMs);
    }
    QString last() const { return texts.isEmpty() ? QString() : texts.last(); }

    QStringList texts;

private:
    QTimer timer_;
};

// Windows on the offscreen platform with the real skin, the frame harness's scratch
// program folder as the current folder, and a virtual frame (not yet opened: the
// window's monitor finds it) whose protocol waits are cut to a hundredth.
class UiTest : public FrameTest {
protected:
    void SetUp() override
    {
        useFrame(std::make_shared<sim::VirtualFrame>(), {.timeScale = 0.01, .open = false});
        previousFolder = QDir::currentPath();
        QDir::setCurrent(host->home.path());
        AppContext& app = appContext();
        app.toolMode = 1;
        app.subFunction = 0;
        app.languageIndex = 0;
        app.subVersion = 0;
        app.loadLookAndLanguage(1024, 768);
        app.skinDirectory = QString(VIRETO_BIN_DIR) + "/skin/1024/";
    }
    void TearDown() override { QDir::setCurrent(previousFolder); }
    // The frame open and present without a monitor, the waits off and a log run started:
    // for tests that drive a window or its logic directly.
    void openFrameDirectly()
    {
        delay::setTimeScale(0.0);
        ASSERT_TRUE(host->reopen());
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
    ScratchDir& home() { return host->home; }

    QString previousFolder;
};

// A UiTest whose windows run on the primary screen with the virtual frame's scene (its
// operator touches what the windows show).
class SceneUiTest : public UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        scene = std::make_shared<SimScene>(frame);
        screen = QGuiApplication::primaryScreen()->geometry().size();
    }
    // The four-point flag of the configuration record in the frame's flash.
    uint8_t storedFourPointFlag() const
    {
        return frame->readFlash(flash_map::kConfigRecord + 10, 1)[0];
    }

    std::shared_ptr<SimScene> scene;
    QSize screen;
};
