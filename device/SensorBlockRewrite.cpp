#include "device/SensorBlockRewrite.h"

#include "app/AppContext.h"
#include "app/LogSink.h"
#include "app/ProgramFolder.h"
#include "app/RuntimeHome.h"
#include "codec/ByteOrder.h"
#include "device/Delay.h"
#include "device/DeviceState.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace sensor_block_rewrite {

namespace {

using flash_map::kSensorBlockSize;

bool flagged(const uint8_t* bytes)
{
    return le::u32(bytes) == flash_map::SENSORInfoFlag;
}

// Saves the block into a new file of the backup folder; the path, or empty with why.
QString saveCopy(const SensorBlock& block, QString& error)
{
    const QString folder = backupFolder();
    if (!QDir().mkpath(folder)) {
        error = QStringLiteral("cannot make the folder %1").arg(folder);
        return {};
    }
    const QString stamp =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd_HHmmss_zzz"));
    QString path = QDir(folder).filePath(QStringLiteral("SensorBlock_%1.bin").arg(stamp));
    for (int n = 2; QFile::exists(path); ++n)
        path = QDir(folder).filePath(QStringLiteral("SensorBlock_%1_%2.bin").arg(stamp).arg(n));
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) &&
        file.write(reinterpret_cast<const char*>(block.data()), kSensorBlockSize) ==
            static_cast<qint64>(kSensorBlockSize) &&
        file.commit())
        return path;
    error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
    return {};
}

bool eraseAndWrite(Device& device, const SensorBlock& block)
{
    RegisterRequest sectors;
    sectors.addressWord = flash_map::kSensorBlockWord;
    sectors.length = flash_map::kSensorBlockSectors;
    return device.access.erase(sectors) && device.blocks.writeSensorBlock(block);
}

// Looks for the lost frame until the deadline; true once it is open again and asked
// back into calibration mode (after its restart it runs in work mode).
bool awaitReturn(Device& device, double deadlineMs, const std::function<bool()>& stopRequested)
{
    for (;;) {
        if (stopRequested && stopRequested())
            return false;
        uint16_t productId = 0;
        if (device.transport().open(productId)) {
            g_bDevExist = 1;
            g_isDeviceCommunicate = 1;
            device.commands.switchMode(CalibrationMode);
            return true;
        }
        if (delay::nowMs() >= deadlineMs)
            return false;
        delay::wait(kReturnPollMs);
    }
}

} // namespace

QString backupFolder()
{
    return runtime_home::dataFile(QStringLiteral("backup"));
}

QString problemOfSavedBlock(const QByteArray& bytes)
{
    if (bytes.size() != static_cast<qsizetype>(kSensorBlockSize))
        return QStringLiteral("it holds %1 bytes; a saved sensor information block has %2")
            .arg(bytes.size())
            .arg(kSensorBlockSize);
    if (!flagged(reinterpret_cast<const uint8_t*>(bytes.constData())))
        return QStringLiteral("it does not start with the \"FIWF\" flag of a sensor information "
                              "block");
    return {};
}

Outcome rewrite(Device& device, const SensorBlock& before, const SensorBlock& after,
                const std::function<bool()>& stopRequested)
{
    LogSink& log = serviceLog();
    Outcome out;
    if (flagged(before.data())) {
        QString error;
        out.copyPath = saveCopy(before, error);
        if (out.copyPath.isEmpty()) {
            out.error = QStringLiteral("the sensor information block was not touched: no copy of "
                                       "it could be saved first (%1)")
                            .arg(error);
            log.logf("%s\n", out.error.toLocal8Bit().constData());
            return out;
        }
        log.logf("Sensor information block saved to %s before it is rewritten\n",
                 QDir::toNativeSeparators(out.copyPath).toLocal8Bit().constData());
    }

    const double deadline = delay::nowMs() + kReturnWaitMs * delay::timeScale();
    for (;;) {
        if (eraseAndWrite(device, after)) {
            out.ok = true;
            if (!out.copyPath.isEmpty() && QFile::remove(out.copyPath))
                out.copyPath.clear();
            if (out.resumed)
                log.log("Sensor information block rewritten after the frame came back\n");
            return out;
        }
        if (!device.link.lastCallLostTheFrame())
            break;
        log.log("The frame was lost while the sensor information block was rewritten; "
                "waiting for it\n");
        if (!awaitReturn(device, deadline, stopRequested))
            break;
        out.resumed = true;
    }

    const bool lost = device.link.lastCallLostTheFrame();
    out.error = lost ? QStringLiteral("the frame was lost while the sensor information block was "
                                      "rewritten and did not come back within %1 s")
                           .arg(kReturnWaitMs * delay::timeScale() / 1000.0, 0, 'f', 1)
                     : QStringLiteral("rewriting the sensor information block failed: %1")
                           .arg(linkFailureText(device));
    if (!out.copyPath.isEmpty())
        out.error += QStringLiteral("; the block as it was before is saved in %1: write it back "
                                    "with \"vireto-cli calib restore %1\"")
                         .arg(QDir::toNativeSeparators(out.copyPath));
    log.logf("%s\n", out.error.toLocal8Bit().constData());
    return out;
}

} // namespace sensor_block_rewrite
