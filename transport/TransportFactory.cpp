#include "transport/TransportFactory.h"

#include "app/ProgramFolder.h"
#include "app/RuntimeHome.h"
#include "device/HidapiBus.h"
#include "device/SocketBus.h"
#include "sim/SimTransport.h"
#include "sim/VirtualFrame.h"
#include "transport/ReportRecording.h"
#include "transport/SimScene.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const char* const kDefaultFlashFile = "VirtualFrame.flash";

QString acceptedForms()
{
    return QStringLiteral("use hid, sim, sim:PATH, unix:DIR or replay:FILE");
}

std::string localPath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

ChosenFrame virtualFrame(const QString& flashFile, QString& error)
{
    std::string why;
    std::shared_ptr<sim::VirtualFrame> frame =
        sim::VirtualFrame::withFlashFile(localPath(flashFile), why);
    if (!frame) {
        error = QStringLiteral("virtual frame: %1").arg(QString::fromStdString(why));
        return {};
    }
    return {std::make_unique<sim::SimTransport>(frame), std::make_shared<SimScene>(frame)};
}

} // namespace

std::unique_ptr<HidTransport> makeTransport(const QString& where, QString& error)
{
    return chooseFrame(where, error).transport;
}

ChosenFrame chooseFrame(const QString& where, QString& error)
{
    error.clear();
    if (where == QLatin1String("hid"))
        return {std::make_unique<HidapiTransport>(), nullptr};
    if (where == QLatin1String("sim")) {
        // In the data folder, so that the tool and vireto-cli share one virtual frame.
        QDir().mkpath(runtime_home::dataFolder());
        return virtualFrame(runtime_home::dataFile(QString::fromLatin1(kDefaultFlashFile)), error);
    }
    if (where.startsWith(QLatin1String("sim:")) && where.size() > 4)
        return virtualFrame(where.mid(4), error);
    if (where.startsWith(QLatin1String("unix:")) && where.size() > 5)
        return {std::make_unique<SocketTransport>(localPath(where.mid(5))), nullptr};
    if (where.startsWith(QLatin1String("replay:")) && where.size() > 7)
        return {ReplayTransport::load(where.mid(7), error), nullptr};
    isDeviceSpec(where, error);
    return {};
}

bool isDeviceSpec(const QString& where, QString& error)
{
    error.clear();
    for (const char* form : {"sim:", "unix:", "replay:"}) {
        const QLatin1String prefix(form);
        if (where.startsWith(prefix) && where.size() > prefix.size())
            return true;
    }
    if (where == QLatin1String("hid") || where == QLatin1String("sim"))
        return true;
    // Shown as given, but on one line.
    QString shown = where;
    for (QChar& c : shown)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QLatin1Char('?');
    error = QStringLiteral("unknown device \"%1\": %2").arg(shown, acceptedForms());
    return false;
}

bool recordTraffic(ChosenFrame& frame, const QString& path, QString& error)
{
    bool ok = false;
    auto recording = std::make_unique<RecordingTransport>(std::move(frame.transport), path, ok);
    frame.transport = std::move(recording);
    if (!ok)
        error = QStringLiteral("cannot write the recording %1").arg(path);
    return ok;
}

QString frameLockKey(const QString& where)
{
    const auto canonical = [](const QString& path) {
        const QFileInfo info(path);
        return info.exists() ? info.canonicalFilePath() : info.absoluteFilePath();
    };
    if (where == QLatin1String("sim"))
        return QStringLiteral("sim:") +
               canonical(runtime_home::dataFile(QString::fromLatin1(kDefaultFlashFile)));
    if (where.startsWith(QLatin1String("sim:")))
        return QStringLiteral("sim:") + canonical(where.mid(4));
    if (where.startsWith(QLatin1String("unix:")))
        return QStringLiteral("unix:") + canonical(where.mid(5));
    if (where.startsWith(QLatin1String("replay:")))
        return {}; // nothing to share: every replay has its own frame
    return where;
}
