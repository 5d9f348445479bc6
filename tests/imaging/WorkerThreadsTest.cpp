// The imaging workers as their windows run them: codes arrive queued on this thread.
#include "ImagingTestSupport.h"

#include "imaging/BackgroundFrames.h"
#include "imaging/CImagePreviewThread.h"
#include "imaging/ImageSensorTestThread.h"
#include "imaging/PreviewThread.h"
#include "imaging/SensorDataTest.h"

#include <QCoreApplication>

#include <chrono>
#include <functional>
#include <thread>

namespace {

using namespace imagingtest;

// Collects a worker's codes on the test's thread, like a window's recvData(int).
class CodeLog : public QObject {
public:
    std::function<void(int)> onCode = [](int) {};
    std::vector<int> codes;

    void receive(int code)
    {
        codes.push_back(code);
        onCode(code);
    }
    int count(int code) const
    {
        return static_cast<int>(std::count(codes.begin(), codes.end(), code));
    }
};

// Runs the event loop until pred holds (false after the time limit).
bool waitFor(const std::function<bool()>& pred, int ms = 10000)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!pred()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    QCoreApplication::processEvents();
    return true;
}

// The worker's thread ended within the bound, and the codes it sent have reached the log.
template <typename Worker>
::testing::AssertionResult endedAndDelivered(Worker& worker, int ms = 5000)
{
    if (!worker.join(ms))
        return ::testing::AssertionFailure() << "the worker did not end";
    QCoreApplication::processEvents();
    return ::testing::AssertionSuccess();
}

class AdjustWorkerTest : public ImagingTest {
protected:
    void start()
    {
        QObject::connect(worker.get(), &CImagePreviewThread::sendData, &log, &CodeLog::receive);
        worker->startWorker();
    }
    void stop()
    {
        worker->stopWorker();
        ASSERT_TRUE(endedAndDelivered(*worker));
    }

    void SetUp() override
    {
        ImagingTest::SetUp();
        worker = std::make_unique<CImagePreviewThread>(*device, state, config);
    }

    FrameBuffers buffers;
    AdjustScreenState state;
    LevelingConfig config;
    CodeLog log;
    std::unique_ptr<CImagePreviewThread> worker;
};

TEST_F(AdjustWorkerTest, ShowsTheStoredValuesThenPreviews)
{
    log.onCode = [&](int code) {
        if (code == 9)
            state.loadFlag = 0; // the window has shown them
    };
    Left_End = 123;
    start();
    ASSERT_TRUE(waitFor([&] { return log.count(0) >= 3; }));
    stop();
    ASSERT_FALSE(log.codes.empty());
    EXPECT_EQ(log.codes.front(), 9);
    EXPECT_EQ(Left_End, 0) << "the column results start at 0";
    EXPECT_EQ(state.frameReady, 1);
    const sim::ModuleOptics stored = sim::factoryValues().of(Side::Slave);
    EXPECT_EQ(opticalParams(Side::Slave).values().endColumn, stored.endColumn);
    EXPECT_EQ(opticalParams(Side::Slave).values().exposureTime, stored.exposureTime);
    const uint16_t line = stored.optimumLines[0].line;
    EXPECT_GT(pFrameYB[(line + 1) * 640 + 40], 100) << "the band is in the preview";
}

TEST_F(AdjustWorkerTest, SearchesWhenTheWindowAsksAndServesTheSave)
{
    log.onCode = [&](int code) {
        if (code == 9)
            state.loadFlag = 0;
    };
    sim::BezelTruth moved = frame->bezel(Side::Master);
    moved.startLine = 251;
    moved.endColumn = 589;
    frame->setBezel(Side::Master, moved);
    start();
    ASSERT_TRUE(waitFor([&] { return log.count(0) >= 1; }));
    state.searchDone = 0;
    ASSERT_TRUE(waitFor([&] { return log.count(4) == 1 && log.count(0) >= 3; }));
    EXPECT_EQ(log.count(15), 1);
    EXPECT_EQ(state.frameValid, 1);
    EXPECT_EQ(g_StartLineM, 251u);
    EXPECT_EQ(opticalParams(Side::Master).values().endColumn, 589u);

    delay::setTimeScale(0.01); // the Save button's 100 ms steps
    EXPECT_EQ(requestSave(state), 1);
    delay::setTimeScale(0.0);
    stop();
    const std::vector<uint8_t> block = frame->readFlash(flash_map::kSensorBlock, 16);
    EXPECT_EQ(block[4] | block[5] << 8, 251) << "the frame stored the new start line";
    EXPECT_EQ(block[14] | block[15] << 8, 589) << "and the end column";
}

TEST_F(AdjustWorkerTest, FailedSearchStopsTheWorkerWithItsCode)
{
    state.loadFlag = 0;
    state.searchDone = 0;
    frame->refuseCommand(0x11);
    start();
    ASSERT_TRUE(endedAndDelivered(*worker));
    EXPECT_EQ(log.codes, std::vector<int>{1});
}

TEST_F(AdjustWorkerTest, LostFrameWhileLoadingReports6)
{
    frame->unplug();
    start();
    ASSERT_TRUE(endedAndDelivered(*worker));
    EXPECT_EQ(log.codes, std::vector<int>{6});
    EXPECT_EQ(g_bDevExist, 0);
}

TEST_F(AdjustWorkerTest, SensorTestRunsOnTheWindowsThreadFirst)
{
    config.TestSensor = 1;
    worker = std::make_unique<CImagePreviewThread>(*device, state, config);
    frame->breakSensorDataLine(Side::Slave, 1);
    std::vector<SensorDataResult> results;
    log.onCode = [&](int code) {
        if (code == 17)
            results.push_back(runRequestedSensorTest(*device, state));
        if (code == 9)
            state.loadFlag = 0;
    };
    start();
    ASSERT_TRUE(waitFor([&] { return log.count(0) >= 1; }));
    stop();
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].badRight, 0x02);
    EXPECT_EQ(log.codes.front(), 17);
    ASSERT_GE(log.count(9), 1);
    EXPECT_EQ(log.codes[1], 9) << "after the test the stored values are loaded";
}

TEST_F(AdjustWorkerTest, WorkerWaitingForTheSensorTestCanBeStopped)
{
    config.TestSensor = 1;
    worker = std::make_unique<CImagePreviewThread>(*device, state, config);
    start();
    ASSERT_TRUE(waitFor([&] { return log.count(17) == 1; }));
    stop();
    EXPECT_EQ(requestsWith(0x0A), 0u) << "nothing loaded";
}

// --- The engineering preview -----------------------------------------------------------

class EngineeringPreviewTest : public ImagingTest {
protected:
    void SetUp() override
    {
        ImagingTest::SetUp();
        worker = std::make_unique<PreviewThread>(*device, state);
    }
    void start()
    {
        QObject::connect(worker.get(), &PreviewThread::sendData, &log, &CodeLog::receive);
        worker->startWorker();
    }

    FrameBuffers buffers;
    EngineeringPreviewState state;
    CodeLog log;
    std::unique_ptr<PreviewThread> worker;
};

TEST_F(EngineeringPreviewTest, FramesWhileTheSwitchIsOnAndAQuietEnd)
{
    state.previewSwitch = 1;
    start();
    ASSERT_TRUE(waitFor([&] { return log.count(10) >= 3; }));
    state.previewSwitch = 0;
    ASSERT_TRUE(endedAndDelivered(*worker));
    EXPECT_EQ(log.count(11), 0);
    EXPECT_EQ(state.frameReady, 1);
    EXPECT_EQ(opticalParams(Side::Master).values().endColumn,
              sim::factoryValues().of(Side::Master).endColumn);
    EXPECT_EQ(worker->storedBlock()[0], 'F');
}

TEST_F(EngineeringPreviewTest, DeferredAccessesRunBetweenWholeFrames)
{
    EXPECT_FALSE(worker->runAfterFrame([] { return 0; })) << "not started";
    state.previewSwitch = 1;
    start();
    std::atomic<size_t> slaveLinesBefore{1};
    std::atomic<int> ran{0};
    ASSERT_TRUE(worker->runAfterFrame([&] {
        slaveLinesBefore = requestsWith(0x81);
        ++ran;
        return 13;
    }));
    ASSERT_TRUE(waitFor([&] { return log.count(13) == 1; }));
    EXPECT_EQ(ran, 1);
    EXPECT_GT(slaveLinesBefore, 0u);
    EXPECT_EQ(slaveLinesBefore % 8, 0u) << "never in the middle of a frame";
    const auto at13 = std::find(log.codes.begin(), log.codes.end(), 13);
    ASSERT_NE(at13, log.codes.begin());
    EXPECT_EQ(*(at13 - 1), 10) << "right after a whole frame was reported";

    // One queued as the preview ends still runs.
    ASSERT_TRUE(worker->runAfterFrame([&] { return ++ran, 0; }));
    state.previewSwitch = 0;
    ASSERT_TRUE(worker->join(5000)) << "the worker did not end";
    EXPECT_EQ(ran, 2);
    EXPECT_FALSE(worker->runAfterFrame([] { return 0; })) << "finished";
}

TEST_F(EngineeringPreviewTest, FailedLineReadReports11AndClearsTheSwitch)
{
    state.previewSwitch = 1;
    frame->refuseCommand(0x01);
    start();
    ASSERT_TRUE(endedAndDelivered(*worker));
    EXPECT_EQ(log.codes, std::vector<int>{11});
    EXPECT_EQ(state.previewSwitch, 0);
    EXPECT_TRUE(worker->stopRequested());
}

TEST_F(EngineeringPreviewTest, LostFrameReports11)
{
    state.previewSwitch = 1;
    start();
    ASSERT_TRUE(waitFor([&] { return log.count(10) >= 1; }));
    frame->unplug();
    ASSERT_TRUE(endedAndDelivered(*worker));
    EXPECT_EQ(log.count(11), 1);
    EXPECT_EQ(state.previewSwitch, 0);
}

// --- The image sensor test ---------------------------------------------------------------

class SensorEnduranceTest : public ImagingTest {
protected:
    void start(int imageMode)
    {
        state.imageMode = imageMode;
        QObject::connect(worker.get(), &ImageSensorTestThread::sendData, &log, &CodeLog::receive);
        ASSERT_TRUE(worker->startTest());
    }
    // Runs fn on the worker's thread when pass n starts (before its reads).
    void atPass(int n, std::function<void()> fn)
    {
        QObject::connect(
            worker.get(), &ImageSensorTestThread::sendData, worker.get(),
            [this, n, fn](int code) {
                if (code == 3 && state.passCount == n)
                    fn();
            },
            Qt::DirectConnection);
    }
    void finished() { ASSERT_TRUE(endedAndDelivered(*worker, 10000)); }

    void SetUp() override
    {
        ImagingTest::SetUp();
        worker = std::make_unique<ImageSensorTestThread>(*device, state, dir.file("dump_"));
    }

    SensorTestState state;
    CodeLog log;
    std::unique_ptr<ImageSensorTestThread> worker;
};

TEST_F(SensorEnduranceTest, DriftingRegisterEndsPass2With11)
{
    frame->driftSensorRegister(Side::Slave, 0x05);
    start(0);
    finished();
    EXPECT_EQ(log.codes, (std::vector<int>{3, 3, 11}));
    EXPECT_EQ(state.passCount, 2);
    EXPECT_EQ(worker->firstReadings(Side::Slave)[5], 5);
    EXPECT_EQ(worker->currentReadings(Side::Slave)[5], 6);
    EXPECT_EQ(worker->firstReadings(Side::Master)[31], 31);
    const QByteArray text = logText();
    EXPECT_TRUE(text.contains("L_First:0 1 2 3 4 5 "));
    EXPECT_TRUE(text.contains("R_First:0 1 2 3 4 5 6 "));
    EXPECT_TRUE(text.contains("R_Error:0 1 2 3 4 6 6 "));
    EXPECT_TRUE(text.indexOf("L_Error:") < text.indexOf("R_First:"));
}

TEST_F(SensorEnduranceTest, StableRegistersRunUntilStopped)
{
    start(0);
    ASSERT_TRUE(waitFor([&] { return state.passCount >= 4; }));
    worker->stopTest();
    QCoreApplication::processEvents();
    EXPECT_EQ(log.count(3), static_cast<int>(log.codes.size())) << "only pass codes";
    for (uint8_t i = 0; i < 32; ++i) {
        if (i != 0x0A) { // the chip ID cannot be written
            EXPECT_EQ(frame->sensorRegister(Side::Slave, i), i);
        }
    }
}

TEST_F(SensorEnduranceTest, PicturesDifferingInPass3AreDumpedAndReported)
{
    atPass(3, [this] { frame->breakSensorDataLine(Side::Master, 6); });
    start(1);
    finished();
    EXPECT_EQ(log.codes, (std::vector<int>{3, 3, 3, 10}));
    EXPECT_EQ(frame->sensorRegister(Side::Master, 0x38), 7) << "the pattern stays on";
    const QByteArray reference = dir.read("dump_1_Master.dat");
    const QByteArray current = dir.read("dump_3_Master.dat");
    ASSERT_EQ(reference.size(), 5760);
    ASSERT_EQ(current.size(), 5760);
    EXPECT_EQ(static_cast<uint8_t>(reference[40]), 0xFF);
    EXPECT_EQ(static_cast<uint8_t>(current[40]), 0xBF);
    EXPECT_EQ(static_cast<uint8_t>(reference[5120 + 600]), 0x3D) << "row 8: the second memory";
    EXPECT_EQ(dir.read("dump_3_Slave.dat"), dir.read("dump_1_Slave.dat"));
}

TEST_F(SensorEnduranceTest, SamePatternEveryPassAndBuffersOnlyWhileRunning)
{
    start(1);
    ASSERT_NE(pFrameYA, nullptr);
    ASSERT_TRUE(waitFor([&] { return state.passCount >= 5; }));
    worker->stopTest();
    QCoreApplication::processEvents();
    EXPECT_EQ(pFrameYA, nullptr);
    EXPECT_EQ(log.count(10), 0);
    EXPECT_EQ(log.count(3), static_cast<int>(log.codes.size()));
    const FrameCopy& ref = g_BackgroundFrames[0];
    EXPECT_EQ(ref[600], 0x3D);
    EXPECT_TRUE(std::all_of(ref.begin() + 5760, ref.end(), [](uint8_t b) { return b == 0; }))
        << "rows 9 and 10 are never read";
    EXPECT_FALSE(QFile::exists(dir.file("dump_1_Master.dat")));
}

TEST_F(SensorEnduranceTest, LostFrameReports0)
{
    atPass(2, [this] { frame->unplug(); });
    start(0);
    finished();
    ASSERT_FALSE(log.codes.empty());
    EXPECT_EQ(log.codes.back(), 0);
    EXPECT_EQ(state.passCount, 2);
}

TEST_F(SensorEnduranceTest, RefusedReadEndsSilently)
{
    frame->refuseCommand(0x08, 1, 40); // a Master register read of pass 2
    start(0);
    finished();
    EXPECT_EQ(log.codes, (std::vector<int>{3, 3}));
}

} // namespace
