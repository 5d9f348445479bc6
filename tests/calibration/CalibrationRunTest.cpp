// Calibration runs on the virtual frame: the workers, their codes, the store, the data
// files, stepping back, and the accuracy of the stored record.
#include "CalibrationTestSupport.h"
#include "calibration/AccuracyCheck.h"
#include "calibration/CalibrationImages.h"
#include "calibration/CalibrationWorker.h"
#include "calibration/StoredRecord.h"
#include "codec/ByteOrder.h"
#include "codec/FlashMap.h"
#include "imaging/LineImages.h"
#include "tests/support/BoundedWait.h"

#include <QDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using caltest::FrameHost;
using caltest::LogCapture;

// Codes a worker sent, taken in its own thread.
class CodeLog {
public:
    void add(int code)
    {
        std::lock_guard lock(mutex_);
        codes_.push_back(code);
    }
    std::vector<int> codes() const
    {
        std::lock_guard lock(mutex_);
        return codes_;
    }
    int last() const
    {
        std::lock_guard lock(mutex_);
        return codes_.empty() ? -1 : codes_.back();
    }
    void clear()
    {
        std::lock_guard lock(mutex_);
        codes_.clear();
    }
    bool has(int code) const
    {
        const auto c = codes();
        return std::find(c.begin(), c.end(), code) != c.end();
    }

private:
    mutable std::mutex mutex_;
    std::vector<int> codes_;
};

class CalibrationRun : public ::testing::Test {
protected:
    void useOperator(int width, int height, double aimError = 0.5)
    {
        host.frame->setScreenSize(width, height);
        sim::OperatorSettings op;
        op.present = true;
        op.aimError = aimError;
        host.frame->setVirtualOperator(op);
        setup.width = width;
        setup.height = height;
    }

    // Starts the worker and waits for its end; onCode runs in the worker's thread.
    void run(CalibrationWorker& worker, const std::function<void(int)>& onCode = {})
    {
        QObject context;
        QObject::connect(
            &worker, &CalibrationWorker::sendData, &context,
            [&](int code) {
                codes.add(code);
                if (onCode)
                    onCode(code);
            },
            Qt::DirectConnection);
        ASSERT_TRUE(worker.begin(setup));
        ASSERT_TRUE(worker.join(bounded::kGiveUpMs)) << "the worker did not end";
    }

    std::vector<uint8_t> sensorBlock() const
    {
        return host.frame->readFlash(flash_map::kSensorBlock, flash_map::kSensorBlockSize);
    }

    accuracy_check::Figures accuracy(const CalibrationRecord& record)
    {
        accuracy_check::Truth truth;
        truth.touchedPoint = [this]() -> std::optional<camera_model::PointF> {
            const auto p = host.frame->fingerPoint();
            return p ? std::optional<camera_model::PointF>({p->x, p->y}) : std::nullopt;
        };
        truth.exactLocate = [this](int l, int r) -> std::optional<camera_model::PointF> {
            const auto p = host.frame->exactLocate(l, r);
            return p ? std::optional<camera_model::PointF>({p->x, p->y}) : std::nullopt;
        };
        sim::OperatorSettings op;
        op.present = true;
        host.frame->setVirtualOperator(op);
        QString error;
        const auto f = accuracy_check::measure(host.device, record, angle_table::kTableB,
                                               setup.width, setup.height, 200, 1234, truth, error);
        EXPECT_TRUE(f) << error.toStdString();
        return f.value_or(accuracy_check::Figures{});
    }

    LogCapture log;
    FrameHost host;
    CalibrationRunState state;
    CalibrationSetup setup;
    CodeLog codes;
};

void expectAccurate(const char* what, const accuracy_check::Figures& f)
{
    std::printf("%s: %d touches, mean %.2f px, largest %.2f px; floor of the sensor's rounding: "
                "mean %.2f px, largest %.2f px\n",
                what, f.points, f.mean, f.largest, f.floorMean, f.floorLargest);
    EXPECT_EQ(f.points, 200);
    EXPECT_LE(f.mean, f.floorMean + 1.5) << what;
}

TEST_F(CalibrationRun, SixteenPointsThenFourKeepTheAccuracyAt1920x1080)
{
    useOperator(1920, 1080);
    CalibrationThread full(host.device, state);
    std::vector<int> progress;
    run(full, [&](int code) {
        if (code == kCalProgress)
            progress.push_back(state.progress);
    });
    ASSERT_EQ(codes.last(), kCalStored) << full.lastError().toStdString();
    EXPECT_EQ(progress.front(), 0);
    EXPECT_EQ(progress[1], 10);
    EXPECT_TRUE(std::find(progress.begin(), progress.end(), 60) != progress.end());
    EXPECT_EQ(progress.back(), 90);
    EXPECT_EQ(state.progress, 100);
    EXPECT_EQ(state.index, 0);
    EXPECT_EQ(g_CalDataInitSuc, 1);

    SensorBlock block{};
    const std::vector<uint8_t> stored = sensorBlock();
    std::copy(stored.begin(), stored.end(), block.begin());
    ASSERT_TRUE(hasSensorInfoFlag(block));
    const CalibrationRecord record = recordOf(block);
    EXPECT_EQ(record, full.record());
    EXPECT_EQ(widthOf(block), 1920);
    EXPECT_EQ(heightOf(block), 1080);
    EXPECT_EQ(record.r_fix, 1024);
    expectAccurate("16-point run at 1920x1080", accuracy(record));

    // The fast run reuses the stored model and replaces only X[9].
    state.fastMode = 1;
    setup.width = 1920;
    setup.height = 1080;
    sim::OperatorSettings op;
    op.present = true;
    op.aimError = 0.5;
    host.frame->setVirtualOperator(op);
    FastCalibrationThread fast(host.device, state);
    codes.clear();
    run(fast);
    ASSERT_EQ(codes.last(), kCalStored) << fast.lastError().toStdString();
    const std::vector<uint8_t> afterFast = sensorBlock();
    std::copy(afterFast.begin(), afterFast.end(), block.begin());
    const CalibrationRecord fastRecord = recordOf(block);
    EXPECT_EQ(fastRecord.EvalPt, record.EvalPt);
    for (size_t n = 0; n < 9; ++n)
        EXPECT_EQ(fastRecord.X[n], record.X[n]);
    EXPECT_NE(fastRecord.X[9], CalibrationRecord::Map{});
    expectAccurate("following 4-point run at 1920x1080", accuracy(fastRecord));

    const QByteArray text = log.text();
    EXPECT_TRUE(text.contains("CalibIndex[0](After the FalsePotDel): leftPoint-> [0]"));
    EXPECT_TRUE(text.contains("CalibIndex[15](After the FalsePotDel): Choose_Point: [leftPoint]"));
    EXPECT_TRUE(text.contains("CalibIndex[15] g_CalPoints.LImg: [0]"));
    EXPECT_TRUE(text.contains("CalibIndex[15] g_CalPoints.RImg: [12]"));
    EXPECT_TRUE(text.contains("width=1920, height=1080\n"));
    EXPECT_TRUE(text.contains("g_ClbInfoR=1.000000, gClbInfo.r_fix=1024\n"));
    EXPECT_TRUE(text.contains("gClbInfo.EvalPt[0]=("));
    EXPECT_TRUE(text.contains("gClbInfo.X[9][0]={0, 0, 0, 0, 0, 0, 0, 0}\n"));
    EXPECT_TRUE(text.contains("gFastClbInfo.RCam.L_A="));
    // The fast run files its corners under the 16-point indexes.
    EXPECT_TRUE(text.contains("CalibIndex[12](After the FalsePotDel): rightPoint-> [0]"));
}

TEST_F(CalibrationRun, SixteenPointsThenFourKeepTheAccuracyAt1024x768)
{
    useOperator(1024, 768);
    CalibrationThread full(host.device, state);
    run(full);
    ASSERT_EQ(codes.last(), kCalStored) << full.lastError().toStdString();
    expectAccurate("16-point run at 1024x768", accuracy(full.record()));
    state.fastMode = 1;
    useOperator(1024, 768);
    FastCalibrationThread fast(host.device, state);
    codes.clear();
    run(fast);
    ASSERT_EQ(codes.last(), kCalStored) << fast.lastError().toStdString();
    expectAccurate("following 4-point run at 1024x768", accuracy(fast.record()));
}

TEST_F(CalibrationRun, ARefusedInitialisationEndsWithCodeOne)
{
    useOperator(1920, 1080);
    host.frame->refuseCommand(cmd::kTrigger);
    CalibrationThread worker(host.device, state);
    run(worker);
    EXPECT_EQ(codes.codes(), std::vector<int>{kCalInitFailed});
    EXPECT_EQ(g_CalDataInitSuc, 0);
}

TEST_F(CalibrationRun, AFailedTouchQueryEndsWithCodeTwo)
{
    useOperator(1920, 1080);
    host.frame->refuseCommand(cmd::kGetTouchPoints);
    CalibrationThread worker(host.device, state);
    run(worker);
    EXPECT_EQ(codes.last(), kCalProcessFailed);
    EXPECT_EQ(g_CalibrationProcessSuc, 0);
    EXPECT_TRUE(worker.lastError().contains(QStringLiteral("touch query")));
}

TEST_F(CalibrationRun, UnpluggingDuringTheSteadyTouchEndsTheRunWithTheFrameGone)
{
    useOperator(1920, 1080);
    const std::vector<uint8_t> before = sensorBlock();
    // The operator touches target 0 from the 71st query on (after the warm-up); the cable
    // is pulled after the 80th, ten reports into the steady touch.
    host.frame->unplugAfterRequests(cmd::kGetTouchPoints, 80);
    CalibrationThread worker(host.device, state);
    run(worker);
    EXPECT_EQ(codes.last(), kCalProcessFailed);
    EXPECT_EQ(state.index, 0);
    EXPECT_GT(state.steadyCount, 5);
    EXPECT_EQ(g_bDevExist, 0);
    host.frame->plug();
    EXPECT_EQ(sensorBlock(), before);
}

TEST_F(CalibrationRun, AWorkerStartedWithoutTheFrameEndsWithCodeZero)
{
    useOperator(1920, 1080);
    g_bDevExist = 0;
    CalibrationThread worker(host.device, state);
    run(worker);
    EXPECT_EQ(codes.codes(), std::vector<int>{kCalShowTarget});
}

TEST_F(CalibrationRun, SwitchingTheRunTypeEndsTheWorkerWithCodeSix)
{
    useOperator(1920, 1080);
    CalibrationThread worker(host.device, state);
    run(worker, [&](int code) {
        if (code == kCalShowTarget)
            state.fastMode = 1;
    });
    EXPECT_EQ(codes.last(), kCalTypeSwitched);
}

TEST_F(CalibrationRun, StoppingDuringTheRSearchStoresNothing)
{
    useOperator(1920, 1080);
    const std::vector<uint8_t> before = sensorBlock();
    CalibrationThread worker(host.device, state);
    run(worker, [&](int code) {
        if (code == kCalProgress && state.progress >= 10)
            worker.requestStop();
    });
    EXPECT_FALSE(codes.has(kCalStored));
    EXPECT_EQ(sensorBlock(), before);
}

TEST_F(CalibrationRun, AModelTheRecordCannotHoldFailsAndStoresNothing)
{
    // A 1920-pixel desktop whose pixels are 1.08 times wider than high.
    useOperator(1920, 1080);
    sim::TouchScene scene = host.frame->touchScene();
    scene.xScale = 1.08;
    scene.right.x = 1920 * 1.08 + 44;
    host.frame->setTouchScene(scene);
    const std::vector<uint8_t> before = sensorBlock();
    CalibrationThread worker(host.device, state);
    run(worker);
    EXPECT_EQ(codes.last(), kCalProcessFailed);
    EXPECT_TRUE(worker.lastError().contains(QStringLiteral("16-bit")))
        << worker.lastError().toStdString();
    EXPECT_TRUE(log.text().contains("does not fit the record's signed 16-bit fields"));
    EXPECT_EQ(sensorBlock(), before);
}

TEST_F(CalibrationRun, AFailedStoreIsCodeTwo)
{
    useOperator(1920, 1080);
    host.frame->failFlashWrites(sim::FlashWriteFault::Corrupt, 1);
    CalibrationThread worker(host.device, state);
    run(worker);
    EXPECT_EQ(codes.last(), kCalProcessFailed);
    EXPECT_FALSE(codes.has(kCalStored));
}

TEST_F(CalibrationRun, AFrameUnpluggedWhileTheRecordIsStoredGetsItWhenItComesBack)
{
    useOperator(1920, 1080);
    delay::setTimeScale(0.01);                 // a lost frame is waited for 300 ms
    host.frame->unplugAfterRequests(0x09, 20); // in the middle of the block's rewrite
    CalibrationThread worker(host.device, state);
    std::thread replug([this] {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (host.frame->isPlugged() && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        host.frame->plug();
    });
    run(worker);
    replug.join();
    EXPECT_EQ(codes.last(), kCalStored) << worker.lastError().toStdString();
    EXPECT_EQ(le::u32(sensorBlock().data()), flash_map::SENSORInfoFlag);
    EXPECT_TRUE(QDir(host.home.file("backup")).isEmpty()) << "the copy went with the success";
}

TEST_F(CalibrationRun, AFastRunWithoutAStoredRecordFailsClearly)
{
    useOperator(1920, 1080);
    state.fastMode = 1;
    FastCalibrationThread worker(host.device, state);
    run(worker);
    EXPECT_EQ(codes.last(), kCalProcessFailed);
    EXPECT_TRUE(worker.lastError().contains(QStringLiteral("no 16-point calibration")));
}

TEST_F(CalibrationRun, DataFilesOfASixteenPointRun)
{
    useOperator(1920, 1080);
    setup.saveImages = true;
    previewLineCount = 8;
    CalibrationThread worker(host.device, state);
    run(worker);
    ASSERT_EQ(codes.last(), kCalStored);
    const QString prefix = appContext().log.runPrefix();
    for (int n = 1; n <= 16; ++n) {
        for (Side side : {Side::Master, Side::Slave}) {
            const QFileInfo file(calibration_images::fileName(prefix, n, side));
            EXPECT_TRUE(file.exists()) << file.filePath().toStdString();
            EXPECT_EQ(file.size(), 5760);
        }
    }
    const QFileInfo first(calibration_images::fileName(prefix, 1, Side::Master));
    EXPECT_EQ(QDir(first.absolutePath()).entryList({"*.dat"}, QDir::Files).size(), 32);
    EXPECT_TRUE(first.fileName().endsWith("_1_Master.dat"));
}

TEST_F(CalibrationRun, WithoutTheOptionNoImageIsReadNorWritten)
{
    useOperator(1920, 1080);
    host.frame->clearRequestLog();
    CalibrationThread worker(host.device, state);
    run(worker);
    ASSERT_EQ(codes.last(), kCalStored);
    for (const auto& r : host.frame->requestLog())
        EXPECT_NE(r[1] & 0x3F, 0x00) << "image read";
    const QFileInfo first(
        calibration_images::fileName(appContext().log.runPrefix(), 1, Side::Master));
    EXPECT_FALSE(first.exists());
}

TEST_F(CalibrationRun, AFailedImageReadSendsNineThenTwo)
{
    useOperator(1920, 1080);
    setup.saveImages = true;
    host.frame->refuseCommand(0x00); // the Master image read
    CalibrationThread worker(host.device, state);
    run(worker);
    const std::vector<int> c = codes.codes();
    ASSERT_GE(c.size(), 2u);
    EXPECT_EQ(c[c.size() - 2], kCalImageFailed);
    EXPECT_EQ(c.back(), kCalProcessFailed);
    EXPECT_TRUE(log.text().contains("Calibration: GetPreviewData failed!\n"));
}

TEST(CalibrationImages, TheSlaveFileComesFirstAndHoldsExactlyNineLines)
{
    ScratchDir dir;
    std::vector<uint8_t> master(7040, 0x11);
    std::vector<uint8_t> slave(7040, 0x22);
    const QString prefix = dir.file("Vireto_log_101010_");
    dir.write("Vireto_log_101010_3_Master.dat", QByteArray(9000, 'x')); // an older, longer one
    calibration_images::SaveCalibrationImages(prefix, 3, master.data(), slave.data());
    EXPECT_EQ(dir.read("Vireto_log_101010_3_Slave.dat"), QByteArray(5760, 0x22));
    EXPECT_EQ(dir.read("Vireto_log_101010_3_Master.dat"), QByteArray(5760, 0x11));
}

TEST_F(CalibrationRun, SteppingBackIsRefusedAtIndexZeroAndWhileComputing)
{
    EXPECT_FALSE(state.stepBack());
    state.index = 16;
    EXPECT_FALSE(state.stepBack());
    state.index = 5;
    state.calPoints.LImg[5] = {700, 1};
    state.calPoints.RImg[5] = {600, 1};
    state.calPoints.LImg[4] = {300, 1};
    EXPECT_TRUE(state.stepBack());
    EXPECT_EQ(state.index, 4);
    EXPECT_EQ(state.accepted, 1);
    EXPECT_FALSE(state.calPoints.LImg[5].recorded);
    EXPECT_FALSE(state.calPoints.RImg[5].recorded);
    EXPECT_TRUE(state.calPoints.LImg[4].recorded);
    // The fast run clears the corner's 16-point slot.
    state.fastMode = 1;
    state.index = 2;
    state.calPoints.LImg[12] = {200, 1};
    EXPECT_TRUE(state.stepBack());
    EXPECT_FALSE(state.calPoints.LImg[12].recorded);
    EXPECT_EQ(state.index, 1);
}

TEST_F(CalibrationRun, SteppingBackFromTheWindowThreadRecollectsTheTarget)
{
    useOperator(1920, 1080);
    // The worker, on showing target 6, waits until the window thread has stepped back.
    // Both waits are bounded, and the window thread also gives up when the run ends
    // without ever showing target 6.
    std::mutex m;
    std::condition_variable cv;
    bool asked = false;
    bool stepped = false;
    bool ended = false;
    std::vector<int> shown;
    std::thread window([&] {
        std::unique_lock lock(m);
        if (!bounded::waitOn(cv, lock, [&] { return asked || ended; }) || !asked) {
            ADD_FAILURE() << "the run never showed target 6";
            return;
        }
        EXPECT_TRUE(state.stepBack());
        stepped = true;
        cv.notify_all();
    });
    CalibrationThread worker(host.device, state);
    run(worker, [&](int code) {
        if (code != kCalShowTarget)
            return;
        shown.push_back(state.shownTarget);
        if (state.index == 6 && !asked) {
            std::unique_lock lock(m);
            asked = true;
            cv.notify_all();
            if (!bounded::waitOn(cv, lock, [&] { return stepped; })) {
                ADD_FAILURE() << "the window thread never stepped back";
                return;
            }
            std::lock_guard runLock(state.mutex());
            EXPECT_EQ(state.index, 5);
            EXPECT_FALSE(state.calPoints.LImg[6].recorded);
            EXPECT_TRUE(state.calPoints.RImg[4].recorded || state.calPoints.LImg[4].recorded);
        }
    });
    {
        std::lock_guard lock(m);
        ended = true;
        cv.notify_all();
    }
    window.join();
    ASSERT_EQ(codes.last(), kCalStored) << worker.lastError().toStdString();
    // The sixth target (index 5) was accepted twice: each acceptance shows index 6 next.
    EXPECT_EQ(std::count(shown.begin(), shown.end(), 6), 2);
    EXPECT_EQ(std::count(shown.begin(), shown.end(), 7), 1);
    EXPECT_FALSE(state.stepBack());
    expectAccurate("16-point run with a step back", accuracy(worker.record()));
}

TEST_F(CalibrationRun, StepBacksWhileTheWorkerQueriesNeverCorruptTheRun)
{
    // The protocol's waits at a twentieth keep the worker inside its queries most of the
    // time while another thread keeps stepping back during the first targets.
    useOperator(1920, 1080);
    delay::setTimeScale(0.05);
    std::atomic<bool> done{false};
    std::atomic<int> steps{0};
    std::thread window([&] {
        while (!done && steps < 12) {
            if (state.index >= 3 && state.index < 8 && state.stepBack())
                ++steps;
            std::this_thread::sleep_for(std::chrono::microseconds(300));
        }
    });
    CalibrationThread worker(host.device, state);
    run(worker);
    done = true;
    window.join();
    delay::setTimeScale(0.0);
    ASSERT_EQ(codes.last(), kCalStored) << worker.lastError().toStdString();
    EXPECT_EQ(steps, 12);
    expectAccurate("16-point run with repeated step-backs", accuracy(worker.record()));
}

} // namespace
