#include "app/RuntimeHome.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <unistd.h>

namespace runtime_home {

namespace {

constexpr const char* kFolder = "vireto";

QString executableFolder()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QFileInfo(QStringLiteral("/proc/self/exe"))
        .canonicalFilePath()
        .section(QLatin1Char('/'), 0, -2);
}

QString overrideFolder()
{
    return QString::fromLocal8Bit(qgetenv("VIRETO_HOME"));
}

// $VAR/vireto, or $HOME/fallback/vireto when VAR is not set (the XDG defaults).
QString xdgFolder(const char* variable, const char* fallback)
{
    QString base = QString::fromLocal8Bit(qgetenv(variable));
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QLatin1Char('/') + QLatin1String(fallback);
    return base + QLatin1Char('/') + QLatin1String(kFolder);
}

} // namespace

Layout layout()
{
    if (!overrideFolder().isEmpty())
        return Layout::Override;
    const QString folder = executableFolder();
    const QFileInfo ini(folder + QStringLiteral("/Vireto.ini"));
    if (ini.exists() && QFileInfo(folder).isWritable())
        return Layout::Portable;
    return Layout::Installed;
}

QString layoutName(Layout l)
{
    switch (l) {
    case Layout::Override:
        return QStringLiteral("VIRETO_HOME");
    case Layout::Portable:
        return QStringLiteral("portable");
    case Layout::Installed:
        break;
    }
    return QStringLiteral("installed");
}

namespace {

// The override and portable layouts keep everything in one folder; the installed one
// has an XDG base folder (variable, else fallback below home) for each kind.
QString layoutFolder(const char* xdgVariable, const char* fallback)
{
    switch (layout()) {
    case Layout::Override:
        return overrideFolder();
    case Layout::Portable:
        return executableFolder();
    case Layout::Installed:
        break;
    }
    return xdgFolder(xdgVariable, fallback);
}

} // namespace

QString settingsFolder()
{
    return layoutFolder("XDG_CONFIG_HOME", ".config");
}

QString dataFolder()
{
    return layoutFolder("XDG_DATA_HOME", ".local/share");
}

QString logFolder()
{
    if (layout() != Layout::Installed)
        return dataFolder() + QStringLiteral("/log");
    return xdgFolder("XDG_STATE_HOME", ".local/state") + QStringLiteral("/log");
}

QString resourceFolder()
{
    if (layout() == Layout::Override)
        return overrideFolder();
    // Beside the program when its skins are there (portable, a build folder).
    const QString beside = executableFolder();
    if (QFileInfo::exists(beside + QStringLiteral("/skin")))
        return beside;
    return QDir::cleanPath(beside + QStringLiteral("/../share/") + QLatin1String(kFolder));
}

QString runtimeFolder()
{
    // Without XDG_RUNTIME_DIR (a service, a container) a folder of this user's own in the
    // temporary folder, made here rather than by Qt, which warns on every call.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QString own = QDir::tempPath() + QStringLiteral("/vireto-runtime-%1").arg(getuid());
        if (QDir().mkpath(own))
            QFile::setPermissions(own, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return own;
    }
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

QString settingsFile(const QString& name)
{
    return settingsFolder() + QLatin1Char('/') + name;
}

QString dataFile(const QString& name)
{
    return dataFolder() + QLatin1Char('/') + name;
}

QString resourceFile(const QString& name)
{
    return resourceFolder() + QLatin1Char('/') + name;
}

bool prepare(QString* error)
{
    for (const QString& folder : {settingsFolder(), dataFolder(), logFolder()}) {
        if (!QDir().mkpath(folder)) {
            if (error)
                *error = folder;
            return false;
        }
    }
    return true;
}

} // namespace runtime_home
