#include "app/ProgramFolder.h"

#include <QCoreApplication>
#include <QFileInfo>

QString programFolder()
{
    const QByteArray home = qgetenv("VIRETO_HOME");
    if (!home.isEmpty())
        return QString::fromLocal8Bit(home);
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QFileInfo(QStringLiteral("/proc/self/exe"))
        .canonicalFilePath()
        .section(QLatin1Char('/'), 0, -2);
}
