#pragma once

#include <QStringList>

#include <deque>
#include <mutex>

// The log-area lines that go with a worker's codes. The worker files the lines of a code
// just before it sends the code; the receiver takes one entry per code as the codes
// arrive. So each code's lines say what was true when it was sent, however far the
// worker has gone on since. One object serves a receiver for all its workers' runs:
// codes arrive in the order they were sent, and so do the entries.
class ReportedLines {
public:
    void post(QStringList lines);
    // The lines of the oldest code not yet taken (empty when there is none).
    QStringList take();
    void clear();

private:
    std::mutex mutex_;
    std::deque<QStringList> entries_;
};
