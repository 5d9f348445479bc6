// The one worker contract: a refused start starts nothing, a running worker is not
// started twice, stopping waits for the run and then releases what it used, and a
// worker driven headless delivers every code before runWorker returns.
#include "device/WorkerThread.h"
#include "device/DeviceJobQueue.h"
#include "device/WorkerDriver.h"

#include "tests/support/BoundedWait.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

class CountingWorker : public WorkerThread {
    Q_OBJECT
public:
    ~CountingWorker() override { stopAndWait(); }

    bool ready = true;
    int codesToSend = -1; // -1: run until stopped
    std::atomic<int> prepared{0};
    std::atomic<int> cleaned{0};
    std::atomic<bool> runDone{false};
    std::atomic<bool> stopFromInside{false};

signals:
    void sendData(int code);

protected:
    bool prepare() override
    {
        ++prepared;
        if (!ready)
            return false;
        runDone = false;
        return true;
    }
    void cleanUp() override
    {
        EXPECT_TRUE(runDone) << "cleaned up while the run still used its resources";
        ++cleaned;
    }
    void run() override
    {
        for (int i = 0; !stopRequested(); ++i) {
            if (i == codesToSend)
                break;
            emit sendData(i);
            if (stopFromInside && i == 2)
                stopAndWait(); // from the worker's own thread: asks, does not deadlock
            QThread::usleep(200);
        }
        runDone = true;
    }
};

TEST(WorkerThread, StartsOnlyWhenReadyAndOnlyOnce)
{
    CountingWorker w;
    w.ready = false;
    EXPECT_FALSE(w.startWorker());
    EXPECT_FALSE(w.isRunning());
    w.ready = true;
    ASSERT_TRUE(w.startWorker());
    EXPECT_FALSE(w.startWorker()) << "a running worker is not started twice";
    EXPECT_EQ(w.prepared, 2);
    w.stopAndWait();
    EXPECT_FALSE(w.isRunning());
    EXPECT_TRUE(w.runDone);
    EXPECT_EQ(w.cleaned, 1);
    // A stopped worker starts again with a fresh flag.
    ASSERT_TRUE(w.startWorker());
    EXPECT_FALSE(w.stopRequested());
    w.stopAndWait();
}

TEST(WorkerThread, StoppingFromItsOwnThreadEndsTheRun)
{
    CountingWorker w;
    w.stopFromInside = true;
    ASSERT_TRUE(w.startWorker());
    ASSERT_TRUE(w.join(bounded::kGiveUpMs)) << "the worker did not end";
    EXPECT_TRUE(w.stopRequested());
}

TEST(WorkerThread, RunWorkerDeliversEveryCodeAndStopsOnRequest)
{
    CountingWorker w;
    w.codesToSend = 5;
    std::vector<int> codes;
    EXPECT_TRUE(runWorker(
        w, &CountingWorker::sendData, [&] { return w.startWorker(); },
        [&](int code) {
            codes.push_back(code);
            return true;
        }));
    EXPECT_EQ(codes, (std::vector<int>{0, 1, 2, 3, 4}));

    // onCode returning false asks the worker to stop.
    w.codesToSend = -1;
    codes.clear();
    EXPECT_TRUE(runWorker(
        w, &CountingWorker::sendData, [&] { return w.startWorker(); },
        [&](int code) {
            codes.push_back(code);
            return code < 3;
        }));
    ASSERT_GE(codes.size(), 4u);
    EXPECT_EQ(codes[3], 3);

    w.ready = false;
    EXPECT_FALSE(runWorker(
        w, &CountingWorker::sendData, [&] { return w.startWorker(); }, [](int) { return true; }));
}

TEST(WorkerThread, StopThenGoesOnOnlyOnceTheThreadHasEnded)
{
    CountingWorker w;
    QObject context;
    int calls = 0;
    stopThen(w, &context, [&] { ++calls; });
    EXPECT_EQ(calls, 1) << "not running: at once";
    ASSERT_TRUE(w.startWorker());
    stopThen(w, &context, [&] {
        EXPECT_TRUE(w.runDone);
        ++calls;
    });
    EXPECT_TRUE(w.stopRequested());
    EXPECT_TRUE(bounded::eventually([&] {
        QCoreApplication::processEvents();
        return calls == 2;
    }));
    QCoreApplication::processEvents();
    EXPECT_EQ(calls, 2) << "once";
}

// The windows' device steps: in order on one thread, results back on the owner's
// thread, none to a window that is gone, and all of them done before the tool closes.
TEST(DeviceJobQueue, RunsInOrderAndHandsResultsToWindowsStillThere)
{
    DeviceJobQueue jobs;
    std::vector<int> ran;
    std::vector<int> delivered;
    std::atomic<bool> release{false};
    const Qt::HANDLE owner = QThread::currentThreadId();
    jobs.enqueue(nullptr, [&] {
        EXPECT_NE(QThread::currentThreadId(), owner);
        EXPECT_TRUE(bounded::eventually([&] { return release.load(); }));
        ran.push_back(1);
        return 10;
    });
    auto gone = std::make_unique<QObject>();
    jobs.enqueue(
        gone.get(),
        [&] {
            ran.push_back(2);
            return 20;
        },
        [&](int r) { delivered.push_back(r); });
    QObject window;
    jobs.enqueue(
        &window,
        [&] {
            ran.push_back(3);
            return 30;
        },
        [&](int r) {
            EXPECT_EQ(QThread::currentThreadId(), owner);
            delivered.push_back(r);
        });
    EXPECT_EQ(jobs.pending(), 3);
    gone.reset(); // its window closed while the job waited
    release = true;
    jobs.drain();
    EXPECT_EQ(ran, (std::vector<int>{1, 2, 3})) << "the job still runs";
    EXPECT_EQ(delivered, std::vector<int>{30});
    EXPECT_EQ(jobs.pending(), 0);
}

} // namespace

#include "WorkerThreadTest.moc"
