#include "transport/TransportFactory.h"

#include "app/ProgramFolder.h"
#include "app/RuntimeHome.h"
#include "device/HidapiBus.h"
#include "device/SocketBus.h"
#include "sim/SimTransport.h"
#include "sim/VirtualFrame.h"
#include "transport/SimScene.h"

#include <QDir>
#include <QFile>

namespace {

const char* const kDefaultFlashFile = "VirtualFrame.flash";

QString acceptedForms()
{
    return QStringLiteral("use hid, sim, sim:PATH or unix:DIR");
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
    // Shown as given, but on one line.
    QString shown = where;
    for (QChar& c : shown)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QLatin1Char('?');
    error = QStringLiteral("unknown device \"%1\": %2").arg(shown, acceptedForms());
    return {};
}
