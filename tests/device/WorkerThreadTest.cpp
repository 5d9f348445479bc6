// The one worker contract: a refused start starts nothing, a running worker is not
// started twice, stopping waits for the run and then releases what it used, and a
// worker driven headless delivers every code before runWorker returns.
#include "device/WorkerThread.h"
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
    ASSERT_TRUE(w.wait(bounded::kGiveUpMs)) << "the worker did not end";
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

} // namespace

#include "WorkerThreadTest.moc"
