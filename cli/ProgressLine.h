#pragma once

#include <QString>

#include <chrono>
#include <cstdint>

// The progress of a long operation on stderr, never on stdout (that is for data):
// "flash program: 42% (54/128), about 6 s left". The figure only ever rises. On a
// terminal one line is rewritten; into a file or a pipe a line is written at each
// tenth, so that logs stay short.
class ProgressLine {
public:
    ProgressLine(const QString& what, int64_t total);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // done of total; a value below one shown before is ignored.
    void update(int64_t done);
    // Ends the line (also done by the destructor).
    void finish();

    // "about 6 s left" from the time taken so far; empty while too early to say.
    static QString estimate(std::chrono::milliseconds elapsed, int64_t done, int64_t total);

private:
    QString what_;
    int64_t total_;
    int64_t shown_ = -1;
    int lastTenth_ = -1;
    bool terminal_;
    bool open_ = false;
    std::chrono::steady_clock::time_point start_;
};
