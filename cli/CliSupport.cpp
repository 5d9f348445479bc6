#include "cli/CliSupport.h"

#include "app/AppContext.h"
#include "app/RuntimeHome.h"
#include "device/Device.h"
#include "device/DeviceState.h"
#include "transport/FrameLock.h"
#include "transport/TransportFactory.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstdio>
#include <cstring>

std::optional<uint32_t> parseNumber(const QString& text, uint32_t min, uint32_t max)
{
    bool ok = false;
    const QString t = text.trimmed();
    qulonglong v = 0;
    if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        v = t.mid(2).toULongLong(&ok, 16);
    else
        v = t.toULongLong(&ok, 10);
    if (!ok || t.isEmpty() || v < min || v > max)
        return std::nullopt;
    return static_cast<uint32_t>(v);
}

int fail(int code, const QString& message)
{
    std::fprintf(stderr, "vireto-cli: %s\n", message.toLocal8Bit().constData());
    // The trail of a command that reached the frame names what went wrong.
    LogWriter& log = appContext().log;
    if (!log.logPath().isEmpty())
        log.logf("vireto-cli: %s\n", message.toLocal8Bit().constData());
    return code;
}

void note(const QString& message)
{
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

bool wantsHelp(const QStringList& args)
{
    return args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"));
}

int usage(const char* text, bool asked)
{
    std::fprintf(asked ? stdout : stderr, "%s\n", text);
    return asked ? kExitOk : kExitUsage;
}

namespace {

std::shared_ptr<VirtualScene> openedScene;

bool writeStandardOutput(const QByteArray& bytes, QString& error)
{
    errno = 0;
    const size_t n = static_cast<size_t>(bytes.size());
    if (std::fwrite(bytes.constData(), 1, n, stdout) == n && std::fflush(stdout) == 0)
        return true;
    error = QStringLiteral("cannot write to standard output: %1")
                .arg(QString::fromLocal8Bit(std::strerror(errno ? errno : EIO)));
    return false;
}

// A device, a pipe or a terminal: nothing to replace, so the bytes go straight in.
bool writeDirectly(const QString& target, const QByteArray& bytes, QString& error)
{
    QFile file(target);
    const bool ok =
        file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush();
    const QString reason = file.errorString();
    file.close();
    if (ok && file.error() == QFileDevice::NoError)
        return true;
    error = QStringLiteral("cannot write %1: %2").arg(target, reason);
    return false;
}

} // namespace

void startTrail(const CliContext& context)
{
    LogWriter& log = appContext().log;
    if (!log.logPath().isEmpty())
        return;
    runtime_home::prepare();
    log.setRoot(runtime_home::logFolder());
    // The day's folder, as the window makes it at start: without it nothing is written.
    QDir().mkpath(runtime_home::logFolder() + QLatin1Char('/') +
                  LogWriter::dayFolderName(QDate::currentDate()));
    log.log("Vireto log start!\n", true);
    log.logf("vireto-cli %s (device %s)\n",
             context.args.join(QLatin1Char(' ')).toLocal8Bit().constData(),
             context.deviceSpec.toLocal8Bit().constData());
}

void endTrail(int exitCode)
{
    LogWriter& log = appContext().log;
    if (log.logPath().isEmpty())
        return;
    log.logf("vireto-cli exit %d\n", exitCode);
    log.log("Vireto log end!\n");
}

VirtualScene* frameScene()
{
    return openedScene.get();
}

bool writeOutputFile(const QString& target, const QByteArray& bytes, QString& error)
{
    if (target == QLatin1String("-"))
        return writeStandardOutput(bytes, error);
    const QFileInfo info(target);
    if (info.exists() && !info.isFile() && !info.isDir())
        return writeDirectly(target, bytes, error);
    QSaveFile file(target);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    error = QStringLiteral("cannot write %1: %2").arg(target, file.errorString());
    file.cancelWriting();
    return false;
}

int finishStandardOutput(int exitCode)
{
    errno = 0;
    if ((std::fflush(stdout) == 0 && !std::ferror(stdout)) || exitCode != kExitOk)
        return exitCode; // a failure has been reported already
    return fail(kExitFailed, QStringLiteral("cannot write to standard output: %1")
                                 .arg(QString::fromLocal8Bit(std::strerror(errno ? errno : EIO))));
}

std::unique_ptr<HidTransport> openTransport(const CliContext& context)
{
    QString error;
    // Held until the process ends: the frame is this command's until then.
    static FrameLock lock;
    if (!lock.acquire(frameLockKey(context.deviceSpec), FrameLock::kWaitMs, error)) {
        fail(kExitNoFrame, error);
        return nullptr;
    }
    ChosenFrame chosen = chooseFrame(context.deviceSpec, error);
    if (!chosen.transport) {
        fail(kExitNoFrame, error);
        return nullptr;
    }
    if (!context.recordPath.isEmpty() && !recordTraffic(chosen, context.recordPath, error)) {
        fail(kExitFailed, error);
        return nullptr;
    }
    openedScene = std::move(chosen.scene);
    return std::move(chosen.transport);
}

Device* openFrame(const CliContext& context, uint16_t* productId)
{
    std::unique_ptr<HidTransport> transport = openTransport(context);
    if (!transport)
        return nullptr;
    uint16_t pid = 0;
    if (!transport->open(pid)) {
        const std::string problem = transport->openProblem();
        fail(kExitNoFrame, problem.empty()
                               ? QStringLiteral("no frame found on %1").arg(context.deviceSpec)
                               : QString::fromStdString(problem));
        return nullptr;
    }
    if (productId)
        *productId = pid;
    setCurrentDevice(std::make_unique<Device>(std::move(transport)));
    startTrail(context);
    g_bDevExist = 1;
    g_isDeviceCommunicate = 1;
    return &currentDevice();
}

QString lastFailure(Device& device)
{
    return QString::fromLatin1(failureText(device.link.lastOutcome()));
}
