#pragma once

#include "device/ThreadOrder.h"

#include <QThread>

#include <atomic>
#include <climits>
#include <functional>

// The one contract of every worker thread of the tool (the presence monitor, the
// imaging, calibration and key workers, the firmware update):
//
// - startWorker() starts the run at the creator's priority. It refuses, and starts
//   nothing, when the thread runs already or when the worker cannot make its run
//   ready (prepare(): buffers, run state); a worker never starts half-ready.
// - requestStop() asks the run to end at its next safe point; stopAndWait() asks and
//   waits for the thread, then lets the worker release what the run used (cleanUp()).
// - The stop flag is the worker's own; the run reads it through stopRequested().
// - Each worker reports through one queued signal carrying one int, and names its
//   codes in an enum beside that signal.
// - What the run leaves behind is read after join() (or in whenFinished/stopThen's
//   next); what a report hands over is read in the slot the report reaches.
//
// The names the windows know a worker by (startTest, begin, stop, ...) forward here.
class WorkerThread : public QThread {
    Q_OBJECT
public:
    // Stops and joins the thread. A worker whose run uses its own members calls
    // stopAndWait() in its own destructor, before those members go.
    ~WorkerThread() override;

    bool startWorker();
    // The name the leveling and maintenance windows stop their workers by.
    void stopWorker() { stopAndWait(); }
    // Safe from any thread, the worker's own included.
    void requestStop() { stopFlag_ = 1; }
    // Waits without a time limit: every run reaches a safe point. From the worker's
    // own thread it only asks.
    void stopAndWait();
    // Waits for the thread to end without asking it to, at most timeoutMs; true when it
    // has ended, and what the run wrote may then be read. Use it rather than
    // QThread::wait().
    bool join(unsigned long timeoutMs = ULONG_MAX);
    bool stopRequested() const { return stopFlag_ != 0; }

protected:
    explicit WorkerThread(QObject* parent = nullptr);

    // Called by startWorker() before the thread starts; false refuses the start.
    virtual bool prepare() { return true; }
    // Called by stopAndWait() once the thread has ended.
    virtual void cleanUp() {}
    // For engines that watch the flag themselves.
    const std::atomic<int>& stopFlag() const { return stopFlag_; }

private:
    friend void whenFinished(WorkerThread&, QObject*, std::function<void()>);
    // Thread-checker builds: connects the hand-over of the run's end as the last of
    // finished()'s connections (see startWorker()).
    void handOverAfterEveryReceiver();

private slots:
    // Thread-checker builds: what the run did is seen by whoever joins or follows it.
    void handOverEnd();

private:

    std::atomic<int> stopFlag_{0};
};

// For a window that must not block while its worker stops: runs next once, on
// context's thread, when the worker's thread has ended (soon, when it is not running).
// Ask the worker to stop first.
void whenFinished(WorkerThread& worker, QObject* context, std::function<void()> next);
// Asks the worker to stop without waiting for it, and runs then on context's thread
// once the worker's thread has ended (at once when it is not running). For windows,
// which must not block while a worker reaches its safe point.
void stopThen(WorkerThread& worker, QObject* context, const std::function<void()>& then);

// Called where a sender is made, for each of its signals that a thread other than the
// sender's own sends queued to the sender's thread (a worker's reports): tells a thread
// checker that what the sending thread wrote before the signal is seen by the slots it
// reaches on the sender's thread. Nothing in other builds.
template <typename Sender, typename... Args>
void orderHandOvers(Sender* sender, void (Sender::*signal)(Args...))
{
    if constexpr (thread_order::checked) {
        // Connected before any receiver: the first runs as the signal is sent, the
        // second is queued ahead of every slot the signal reaches on this thread.
        QObject::connect(sender, signal, sender, [sender] { thread_order::handOver(sender); },
                         Qt::DirectConnection);
        QObject::connect(sender, signal, sender, [sender] { thread_order::takeOver(sender); },
                         Qt::QueuedConnection);
    }
}
