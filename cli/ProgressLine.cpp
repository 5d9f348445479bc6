#include "cli/ProgressLine.h"

#include <algorithm>
#include <cstdio>
#include <unistd.h>

ProgressLine::ProgressLine(const QString& what, int64_t total)
    : what_(what), total_(std::max<int64_t>(total, 1)), terminal_(isatty(STDERR_FILENO) == 1),
      start_(std::chrono::steady_clock::now())
{
}

ProgressLine::~ProgressLine()
{
    finish();
}

QString ProgressLine::estimate(std::chrono::milliseconds elapsed, int64_t done, int64_t total)
{
    // Before a second's work or a twentieth of it the rate says little.
    if (done <= 0 || done >= total || elapsed.count() < 1000 || done * 20 < total)
        return {};
    const double left = static_cast<double>(elapsed.count()) / 1000.0 *
                        static_cast<double>(total - done) / static_cast<double>(done);
    if (left < 60)
        return QStringLiteral("about %1 s left").arg(std::max(1, static_cast<int>(left + 0.5)));
    return QStringLiteral("about %1 min left").arg(static_cast<int>(left / 60 + 0.5));
}

void ProgressLine::update(int64_t done)
{
    done = std::clamp<int64_t>(done, 0, total_);
    if (done <= shown_)
        return;
    shown_ = done;
    const int percent = static_cast<int>(done * 100 / total_);
    const int tenth = percent / 10;
    if (!terminal_ && tenth == lastTenth_)
        return;
    lastTenth_ = tenth;
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start_);
    const QString left = estimate(elapsed, done, total_);
    const QString line = QStringLiteral("%1: %2% (%3/%4)%5")
                             .arg(what_)
                             .arg(percent)
                             .arg(done)
                             .arg(total_)
                             .arg(left.isEmpty() ? QString() : QStringLiteral(", ") + left);
    // On a terminal the line is redrawn in place; spaces clear a longer earlier one.
    std::fprintf(stderr, terminal_ ? "\r%-70s" : "%s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
    open_ = terminal_;
}

void ProgressLine::finish()
{
    if (open_)
        std::fputc('\n', stderr);
    open_ = false;
}
