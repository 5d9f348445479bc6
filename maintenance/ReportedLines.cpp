#include "maintenance/ReportedLines.h"

void ReportedLines::post(QStringList lines)
{
    std::lock_guard lock(mutex_);
    entries_.push_back(std::move(lines));
}

QStringList ReportedLines::take()
{
    std::lock_guard lock(mutex_);
    if (entries_.empty())
        return {};
    QStringList lines = std::move(entries_.front());
    entries_.pop_front();
    return lines;
}

void ReportedLines::clear()
{
    std::lock_guard lock(mutex_);
    entries_.clear();
}
