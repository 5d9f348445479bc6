#include "imaging/SampleStore.h"

#include "app/RuntimeHome.h"
#include "imaging/LineImages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace sample_store {

std::atomic<int> g_SampleCount{0};

namespace {

QString baseFolder()
{
    return runtime_home::dataFile(QStringLiteral("SampleData"));
}

// Removes the folder with everything in it; a link is removed as a link.
bool wipe(const QString& path)
{
    const QFileInfo info(path);
    if (info.isSymLink() || (info.exists() && !info.isDir()))
        return QFile::remove(path);
    return !info.exists() || QDir(path).removeRecursively();
}

bool writeFrame(const QString& path, const uint8_t* frame)
{
    if (!frame)
        return false;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const auto size = static_cast<qint64>(frame_geometry::kBufferSize);
    return file.write(reinterpret_cast<const char*>(frame), size) == size;
}

} // namespace

QString sampleFolder(int n)
{
    return baseFolder() + QStringLiteral("/") +
           QStringLiteral("%1").arg(n, 3, 10, QLatin1Char('0'));
}

bool saveSample(const std::function<bool(const QString& path)>& writePicture, const uint8_t* left,
                const uint8_t* right)
{
    const int n = g_SampleCount++;
    if (n == 0 && !wipe(baseFolder()))
        return false;
    const QString folder = sampleFolder(n);
    if (!QDir().mkpath(folder))
        return false;
    const QString number = QStringLiteral("%1").arg(n, 3, 10, QLatin1Char('0'));
    bool ok = writePicture(folder + QStringLiteral("/") + number + QStringLiteral(".png"));
    ok = writeFrame(folder + QStringLiteral("/L") + number + QStringLiteral(".bin"), left) && ok;
    ok = writeFrame(folder + QStringLiteral("/R") + number + QStringLiteral(".bin"), right) && ok;
    return ok;
}

} // namespace sample_store
