#include "app/LogSink.h"

#include <atomic>
#include <cstdio>

namespace {

// Lines written before a log is installed go nowhere.
class DiscardingSink : public LogSink {
public:
    void log(const char*, bool, bool) override {}
    QString runPrefix() const override { return QString(); }
};

DiscardingSink discarding;
std::atomic<LogSink*> installed{nullptr};

} // namespace

LogSink& serviceLog()
{
    LogSink* sink = installed.load();
    return sink ? *sink : discarding;
}

void setServiceLog(LogSink* sink)
{
    installed = sink;
}

void LogSink::vlog(bool raw, const char* fmt, va_list args)
{
    char text[kLineSize];
    std::vsnprintf(text, sizeof text, fmt, args);
    log(text, false, raw);
}

void LogSink::logf(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    vlog(false, fmt, args);
    va_end(args);
}

void LogSink::logRawf(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    vlog(true, fmt, args);
    va_end(args);
}
