#pragma once

#include "app/LogSink.h"

#include <QDate>
#include <QDateTime>
#include <QString>

#include <functional>
#include <mutex>

// The run's diary for service engineers: one file per run in a folder per day under
// "./log". Every call opens the file, writes and closes it, so the file is complete at
// any moment and can be read while the program runs. Callable from any thread.
class LogWriter : public LogSink {
public:
    static constexpr int kNameSize = 256;
    static constexpr int kKeptDays = 7;

    using Clock = std::function<QDateTime()>;

    LogWriter();

    // Where the day folders live; "log" in the current directory unless changed.
    void setRoot(const QString& root);
    QString root() const;
    // The time source; tests replace it to cross midnight or to pin a date.
    void setClock(Clock clock);

    // create: start this run's file (truncating it) in today's folder, fixing the file
    // name and the run prefix for the rest of the run. raw: append the text as it is,
    // without a time stamp. Neither: append one time-stamped line. Does nothing while
    // the file cannot be opened (for example before the first create of the run).
    void log(const char* text, bool create = false, bool raw = false) override;

    // Start of a run as a main window does it: make the root and today's folder,
    // clean up the day folders older than the last seven, then write the start lines.
    void startRun(int toolMode, int subFunction);

    // Full name of this run's file, and the prefix for other files of this run
    // ("<day folder>/Vireto_log_HHMMSS_"). Empty before the first create.
    QString logPath() const;
    QString runPrefix() const override;

    static QString dayFolderName(const QDate& day);
    // Cleans up the day folders of root ("2014-03-07") that are not among the seven
    // ending at today: the tool's files in them ("Vireto_log_HHMMSS.txt" and the files
    // named after a run's prefix, "Vireto_log_HHMMSS_...") are removed, and the folder
    // when it is then empty. Nothing else is touched, whatever root is or points to:
    // other files, sub-folders, links, and folders not named like a day. Returns the
    // number of files and folders removed.
    static int cleanOldDays(const QString& root, const QDate& today);

private:
    void writeLine(const char* text, bool truncate, bool raw);

    mutable std::mutex mutex_;
    QString root_;
    Clock clock_;
    char logPath_[kNameSize] = {};
    char runPrefix_[kNameSize] = {};
};
