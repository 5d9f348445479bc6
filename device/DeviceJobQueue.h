#pragma once

#include <QObject>
#include <QPointer>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

class DeviceJobRunner;

// The short device operations the windows start (a mode switch, a record read or
// write, a reset) run here, one after the other on one worker thread, never on the GUI
// thread. Each job returns an int; its result is handed to the job's callback on the
// thread that owns the queue, unless the callback's context object is gone by then.
//
// One queue serves the main window and every window it opens, so that their device
// operations never overlap: a window that asks its owner to switch the frame's mode
// and then starts its own step gets them in that order.
class DeviceJobQueue : public QObject {
    Q_OBJECT
public:
    using Work = std::function<int()>;
    using Done = std::function<void(int result)>;

    explicit DeviceJobQueue(QObject* parent = nullptr);
    ~DeviceJobQueue() override; // runs what is queued, then ends the thread

    // Appends a job. done (may be empty) runs on this object's thread with the result,
    // only while context still exists.
    void enqueue(QObject* context, Work work, Done done = {});
    // Jobs queued or running.
    int pending() const;
    // Blocks until every job queued so far has run and its callback was delivered (for
    // closing the program). Bounded only by the jobs themselves.
    void drain();

private:
    friend class DeviceJobRunner;
    struct Job {
        Work work;
        Done done;
        QPointer<QObject> context;
        bool hasContext = false;
    };

    void deliver(int result);
    // Runner side: the next job's work, or none when stopping.
    Work take();
    void ran();

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Job> queue_;
    std::deque<Job> running_; // taken by the runner, callback not yet delivered
    int ran_ = 0;             // of running_, the jobs whose work has returned
    bool stopping_ = false;
    DeviceJobRunner* runner_ = nullptr;
};
