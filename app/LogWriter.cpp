#include "app/LogWriter.h"

#include <QDir>
#include <QRegularExpression>

#include <cstdio>
#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

namespace {

// What the tool writes in a day folder: its log files and the files named after a
// run's prefix (calibration images, flash-test dumps and the like).
const QRegularExpression& toolFileName()
{
    static const QRegularExpression re(QStringLiteral("^Vireto_log_\\d{6}(\\.txt|_.+)$"));
    return re;
}

// A day folder's name as dayFolderName writes it, for a real date.
bool isDayFolderName(const QString& name)
{
    static const QRegularExpression re(QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})$"));
    const QRegularExpressionMatch m = re.match(name);
    return m.hasMatch() &&
           QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt()).isValid();
}

// Removes the tool's own files from one old day folder (a real folder, never a link),
// then the folder itself when nothing else is left in it.
int removeDayFolder(const fs::path& folder)
{
    int removed = 0;
    std::error_code ec;
    std::vector<fs::path> files;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const QString name = QString::fromStdString(it->path().filename().string());
        std::error_code statusError;
        const fs::file_status st = fs::symlink_status(it->path(), statusError);
        if (!statusError && fs::is_regular_file(st) && toolFileName().match(name).hasMatch())
            files.push_back(it->path());
    }
    for (const fs::path& f : files)
        if (fs::remove(f, ec))
            ++removed;
    if (fs::is_empty(folder, ec) && !ec && fs::remove(folder, ec))
        ++removed;
    return removed;
}

} // namespace

LogWriter::LogWriter()
    : root_(QStringLiteral("log")), clock_([] { return QDateTime::currentDateTime(); })
{
}

void LogWriter::setRoot(const QString& root)
{
    std::lock_guard lock(mutex_);
    root_ = root;
}

QString LogWriter::root() const
{
    std::lock_guard lock(mutex_);
    return root_;
}

void LogWriter::setClock(Clock clock)
{
    std::lock_guard lock(mutex_);
    clock_ = std::move(clock);
}

QString LogWriter::dayFolderName(const QDate& day)
{
    return QString::asprintf("%d-%02d-%02d", day.year(), day.month(), day.day());
}

void LogWriter::log(const char* text, bool create, bool raw)
{
    if (create) {
        std::lock_guard lock(mutex_);
        const QDateTime now = clock_();
        const QByteArray day = (root_ + QLatin1Char('/') + dayFolderName(now.date())).toLocal8Bit();
        const QTime t = now.time();
        std::snprintf(logPath_, sizeof logPath_, "%s/Vireto_log_%02d%02d%02d.txt", day.constData(),
                      t.hour(), t.minute(), t.second());
        std::snprintf(runPrefix_, sizeof runPrefix_, "%s/Vireto_log_%02d%02d%02d_", day.constData(),
                      t.hour(), t.minute(), t.second());
    }
    writeLine(text, create, raw);
}

void LogWriter::writeLine(const char* text, bool truncate, bool raw)
{
    std::lock_guard lock(mutex_);
    if (logPath_[0] == '\0')
        return;
    std::FILE* f = std::fopen(logPath_, truncate ? "w" : "a");
    if (!f)
        return;
    if (raw) {
        std::fputs(text ? text : "", f);
    } else {
        const QDateTime now = clock_();
        const QDate d = now.date();
        const QTime t = now.time();
        char line[kLineSize];
        std::snprintf(line, sizeof line, "(%d-%d-%d %02d:%02d:%02d) %s", d.year(), d.month(),
                      d.day(), t.hour(), t.minute(), t.second(), text ? text : "");
        std::fputs(line, f);
    }
    std::fclose(f);
}

void LogWriter::vlog(bool raw, const char* fmt, va_list args)
{
    char text[kLineSize];
    std::vsnprintf(text, sizeof text, fmt, args);
    writeLine(text, false, raw);
}

void LogWriter::logf(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    vlog(false, fmt, args);
    va_end(args);
}

void LogWriter::logRawf(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    vlog(true, fmt, args);
    va_end(args);
}

QString LogWriter::logPath() const
{
    std::lock_guard lock(mutex_);
    return QString::fromLocal8Bit(logPath_);
}

QString LogWriter::runPrefix() const
{
    std::lock_guard lock(mutex_);
    return QString::fromLocal8Bit(runPrefix_);
}

int LogWriter::cleanOldDays(const QString& root, const QDate& today)
{
    QStringList kept;
    for (int i = 0; i < kKeptDays; ++i)
        kept << dayFolderName(today.addDays(-i));

    int removed = 0;
    std::error_code ec;
    const fs::path rootPath(root.toStdString());
    std::vector<fs::path> doomed;
    for (fs::directory_iterator it(rootPath, ec), end; !ec && it != end; it.increment(ec)) {
        const QString name = QString::fromStdString(it->path().filename().string());
        std::error_code statusError;
        const bool realFolder = fs::is_directory(fs::symlink_status(it->path(), statusError));
        if (!statusError && realFolder && isDayFolderName(name) && !kept.contains(name))
            doomed.push_back(it->path());
    }
    for (const fs::path& p : doomed)
        removed += removeDayFolder(p);
    return removed;
}

void LogWriter::startRun(int toolMode, int subFunction)
{
    const QString root = this->root();
    const QDate today = [this] {
        std::lock_guard lock(mutex_);
        return clock_().date();
    }();
    QDir().mkpath(root);
    QDir().mkpath(root + QLatin1Char('/') + dayFolderName(today));
    cleanOldDays(root, today);
    log("Vireto log start!\n", true);
    logf("ChooseToolEnable = %d;%d\n", toolMode, subFunction);
}
