#include "imaging/FrameDump.h"

#include <QFile>

#include <cstdio>

namespace {

// format is "%s%d_Master.dat" or "%s%d_Slave.dat".
bool writeDump(const QString& prefix, int n, bool master, const uint8_t* frame)
{
    if (!frame)
        return false;
    char name[1024];
    const QByteArray p = prefix.toLocal8Bit();
    const int length = master
                           ? std::snprintf(name, sizeof name, "%s%d_Master.dat", p.constData(), n)
                           : std::snprintf(name, sizeof name, "%s%d_Slave.dat", p.constData(), n);
    if (length < 0 || static_cast<size_t>(length) >= sizeof name)
        return false;
    QFile file(QString::fromLocal8Bit(name));
    if (!file.open(QIODevice::ReadWrite))
        return false;
    return file.write(reinterpret_cast<const char*>(frame), kFrameDumpBytes) ==
           static_cast<qint64>(kFrameDumpBytes);
}

} // namespace

int SaveCalibrationImages(const QString& prefix, int n, const uint8_t* master, const uint8_t* slave)
{
    int written = writeDump(prefix, n, false, slave) ? 1 : 0;
    written += writeDump(prefix, n, true, master) ? 1 : 0;
    return written;
}
