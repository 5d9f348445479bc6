#include "calibration/CalibrationImages.h"

#include "app/SettingsFile.h"
#include "imaging/LineImages.h"

#include <QFile>

namespace calibration_images {

bool enabledInSettings()
{
    return SettingsFile::vireto().readInt(QStringLiteral("Vireto_Debug"),
                                          QStringLiteral("GetImageData"), 0) != 0;
}

int readTargetImages(Device& device)
{
    return readPreviewFrame(device, previewLineCount - 1);
}

QString fileName(const QString& prefix, int n, Side side)
{
    return QStringLiteral("%1%2_%3.dat").arg(prefix).arg(n).arg(QLatin1String(sideName(side)));
}

namespace {

void writeImage(const QString& path, const uint8_t* bytes)
{
    if (!bytes)
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return;
    // The file holds exactly this target's lines, also when an older file was longer.
    if (file.write(reinterpret_cast<const char*>(bytes), kFileSize) ==
        static_cast<qint64>(kFileSize))
        file.resize(kFileSize);
}

} // namespace

void SaveCalibrationImages(const QString& prefix, int n, const uint8_t* master,
                           const uint8_t* slave)
{
    writeImage(fileName(prefix, n, Side::Slave), slave);
    writeImage(fileName(prefix, n, Side::Master), master);
}

} // namespace calibration_images
