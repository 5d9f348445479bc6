#pragma once

#include <QString>

#include <memory>

class QLockFile;

// One process at a time talks to a frame: two would interleave their requests and
// replies and break each other's transfers. The lock is advisory, a file in the
// per-user runtime folder named after the frame (frameLockKey()); a lock left by a
// process that died is taken over.
class FrameLock {
public:
    FrameLock();
    ~FrameLock();
    FrameLock(const FrameLock&) = delete;
    FrameLock& operator=(const FrameLock&) = delete;

    // Takes the lock of the frame named key, waiting up to waitMs for another process
    // to let go. false, with error naming the process that holds the frame, when it
    // does not. An empty key needs no lock.
    bool acquire(const QString& key, int waitMs, QString& error);
    void release();

    // How long a program waits for a frame in use: a few seconds, enough for another
    // command to finish its last request.
    static constexpr int kWaitMs = 3000;

private:
    std::unique_ptr<QLockFile> file_;
};
