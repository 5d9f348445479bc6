#include "device/DeviceJobQueue.h"

#include "device/WorkerThread.h"

#include <QCoreApplication>

// The queue's worker: runs the jobs in order and reports each result through its one
// signal, so the results arrive in the order the jobs ran.
class DeviceJobRunner : public WorkerThread {
    Q_OBJECT
public:
    explicit DeviceJobRunner(DeviceJobQueue& queue) : queue_(queue)
    {
        orderHandOvers(this, &DeviceJobRunner::sendData);
    }
    ~DeviceJobRunner() override { stopAndWait(); }

signals:
    void sendData(int result);

protected:
    void run() override
    {
        while (const DeviceJobQueue::Work work = queue_.take()) {
            const int result = work();
            // Posted before the queue counts the job as run, so that drain() finds the
            // result waiting once it sees the count.
            emit sendData(result);
            queue_.ran();
        }
    }

private:
    DeviceJobQueue& queue_;
};

DeviceJobQueue::DeviceJobQueue(QObject* parent)
    : QObject(parent), runner_(new DeviceJobRunner(*this))
{
    connect(runner_, &DeviceJobRunner::sendData, this, &DeviceJobQueue::deliver,
            Qt::QueuedConnection);
    runner_->startWorker();
}

DeviceJobQueue::~DeviceJobQueue()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    delete runner_; // joins once the jobs already queued have run
}

void DeviceJobQueue::enqueue(QObject* context, Work work, Done done)
{
    if (!work)
        return;
    {
        std::lock_guard lock(mutex_);
        Job job;
        job.work = std::move(work);
        job.done = std::move(done);
        job.context = context;
        job.hasContext = context != nullptr;
        queue_.push_back(std::move(job));
    }
    wake_.notify_all();
}

DeviceJobQueue::Work DeviceJobQueue::take()
{
    std::unique_lock lock(mutex_);
    wake_.wait(lock, [this] { return !queue_.empty() || stopping_; });
    if (queue_.empty())
        return {};
    Job job = std::move(queue_.front());
    queue_.pop_front();
    Work work = std::move(job.work);
    running_.push_back(std::move(job));
    return work;
}

void DeviceJobQueue::ran()
{
    {
        std::lock_guard lock(mutex_);
        ++ran_;
    }
    wake_.notify_all();
}

int DeviceJobQueue::pending() const
{
    std::lock_guard lock(mutex_);
    return static_cast<int>(queue_.size() + running_.size());
}

void DeviceJobQueue::deliver(int result)
{
    Job job;
    {
        std::lock_guard lock(mutex_);
        if (running_.empty())
            return;
        job = std::move(running_.front());
        running_.pop_front();
        --ran_;
    }
    if (job.done && (!job.hasContext || job.context))
        job.done(result);
}

void DeviceJobQueue::drain()
{
    while (pending() > 0) {
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] {
                return queue_.empty() && ran_ == static_cast<int>(running_.size());
            });
        }
        // The results are posted to this thread: hand them over now.
        QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    }
}

#include "DeviceJobQueue.moc"
