#pragma once

#include <QString>

#include <cstdarg>

#if defined(__GNUC__)
#define VIRETO_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define VIRETO_PRINTF(fmt, args)
#endif

// Where the engines write the service log. The programs install the run's diary
// (LogWriter) at start-up; until one is installed the lines go nowhere. Engines reach
// the log through serviceLog() instead of the application context, so that they need
// neither the context nor its texts and skins to write their lines.
class LogSink {
public:
    static constexpr int kLineSize = 1024;

    virtual ~LogSink() = default;

    // create: start this run's file; raw: append the text as it is, without a time
    // stamp; neither: one time-stamped line.
    virtual void log(const char* text, bool create = false, bool raw = false) = 0;
    void logf(const char* fmt, ...) VIRETO_PRINTF(2, 3);
    void logRawf(const char* fmt, ...) VIRETO_PRINTF(2, 3);
    // The prefix for other files of this run ("<day folder>/Vireto_log_HHMMSS_"); empty
    // before the run's file exists.
    virtual QString runPrefix() const = 0;

private:
    void vlog(bool raw, const char* fmt, va_list args) VIRETO_PRINTF(3, 0);
};

// The sink the engines write to; setServiceLog(nullptr) goes back to discarding.
LogSink& serviceLog();
void setServiceLog(LogSink* sink);
