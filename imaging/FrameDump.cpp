#include "imaging/FrameDump.h"

#include <QFile>

namespace {

bool writeDump(const QString& prefix, int n, bool master, const uint8_t* frame)
{
    if (!frame)
        return false;
    QFile file(frameDumpName(prefix, n, master));
    if (!file.open(QIODevice::ReadWrite))
        return false;
    return file.write(reinterpret_cast<const char*>(frame), kFrameDumpBytes) ==
           static_cast<qint64>(kFrameDumpBytes);
}

} // namespace

QString frameDumpName(const QString& prefix, int n, bool master)
{
    return QStringLiteral("%1%2_%3.dat")
        .arg(prefix)
        .arg(n)
        .arg(master ? QLatin1String("Master") : QLatin1String("Slave"));
}

int SaveCalibrationImages(const QString& prefix, int n, const uint8_t* master, const uint8_t* slave)
{
    int written = writeDump(prefix, n, false, slave) ? 1 : 0;
    written += writeDump(prefix, n, true, master) ? 1 : 0;
    return written;
}
