#include "maintenance/FlashTools.h"

#include "codec/FlashMap.h"
#include "device/DeviceState.h"
#include "device/FlashArea.h"
#include "device/ModeSwitch.h"

#include <QFile>
#include <QSaveFile>

namespace flash_tools {

namespace {

using flash_map::kFlashSize;
using flash_map::kSectorSize;
using Step = flash_area::Failure::Step;
// The piece of a sector that holds a record's flag, written after the rest of the sector.
constexpr uint32_t kFirstPiece = 32;

QString hex5(uint32_t address)
{
    return QStringLiteral("0x%1").arg(address, 5, 16, QLatin1Char('0'));
}

Outcome failed(Device& device, const QString& what, uint32_t address)
{
    const QString why =
        g_bDevExist ? linkFailureText(device) : QStringLiteral("the frame was lost");
    return {false, QStringLiteral("%1 at %2 failed: %3").arg(what, hex5(address), why)};
}

bool goOn(const Progress& progress, uint32_t sectors)
{
    return g_bDevExist && (!progress || progress(sectors));
}

// Ended between two sectors: the frame went, or the caller stopped the operation.
Outcome interrupted(const QString& what, uint32_t nextSector)
{
    return {false, QStringLiteral("%1 ended before %2: %3")
                       .arg(what, hex5(nextSector),
                            g_bDevExist ? QStringLiteral("stopped")
                                        : QStringLiteral("the frame was lost"))};
}

} // namespace

Outcome eraseAll(Device& device, Side side, const Progress& progress)
{
    for (uint32_t s = 0; s < kSectors; ++s) {
        const uint32_t sector = s * kSectorSize;
        if (flash_area::eraseSectors(device, sector, 1, {}, side))
            return failed(device, QStringLiteral("erase of the sector"), sector);
        if (!goOn(progress, s + 1))
            return interrupted(QStringLiteral("erase"), sector + kSectorSize);
    }
    return {};
}

Outcome readAll(Device& device, std::vector<uint8_t>& image, const Progress& progress)
{
    image.assign(kFlashSize, 0xFF);
    for (uint32_t s = 0; s < kSectors; ++s) {
        const uint32_t sector = s * kSectorSize;
        std::vector<uint8_t> bytes;
        if (flash_area::read(device, sector, kSectorSize, bytes))
            return failed(device, QStringLiteral("read"), sector);
        std::copy(bytes.begin(), bytes.end(), image.begin() + sector);
        if (!goOn(progress, s + 1))
            return interrupted(QStringLiteral("read"), sector + kSectorSize);
    }
    return {};
}

Outcome programAll(Device& device, const QByteArray& image, Side eraseSide,
                   const Progress& progress)
{
    if (image.size() != static_cast<qsizetype>(kFlashSize))
        return {
            false,
            QStringLiteral("the image holds %1 bytes, not %2").arg(image.size()).arg(kFlashSize)};
    const auto* bytes = reinterpret_cast<const uint8_t*>(image.constData());
    for (uint32_t s = 0; s < kSectors; ++s) {
        const uint32_t sector = s * kSectorSize;
        if (flash_area::eraseSectors(device, sector, 1, {}, eraseSide))
            return failed(device, QStringLiteral("erase of the sector"), sector);
        // Every record starts a sector with its flag: the sector's first piece goes in last,
        // so that a write cut short leaves the record unflagged, never flagged and partial.
        flash_area::Failure f = flash_area::writeVerified(
            device, sector + kFirstPiece, bytes + sector + kFirstPiece, kSectorSize - kFirstPiece);
        if (!f)
            f = flash_area::writeVerified(device, sector, bytes + sector, kFirstPiece);
        if (f.step == Step::Differs)
            return {false, QStringLiteral("the flash at %1 reads 0x%2 after writing 0x%3")
                               .arg(hex5(f.address))
                               .arg(f.read, 2, 16, QLatin1Char('0'))
                               .arg(f.wrote, 2, 16, QLatin1Char('0'))};
        if (f)
            return failed(device,
                          f.step == Step::ReadBack ? QStringLiteral("read-back")
                                                   : QStringLiteral("write"),
                          f.address);
        if (!goOn(progress, s + 1))
            return interrupted(QStringLiteral("write"), sector + kSectorSize);
    }
    return {};
}

QString imageProblem(const QString& path, qint64 size)
{
    if (size == static_cast<qint64>(kFlashSize))
        return {};
    return QStringLiteral("%1 holds %2 bytes, not the %3 of a whole flash image: nothing was "
                          "written")
        .arg(path)
        .arg(size)
        .arg(kFlashSize);
}

QByteArray loadImage(const QString& path, QString& problem)
{
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        problem = QStringLiteral("cannot read %1: nothing was written").arg(path);
        return {};
    }
    // One byte more than the flash shows a longer file, also one of unknown size.
    const QByteArray bytes = file.read(static_cast<qint64>(kFlashSize) + 1);
    if (file.error() != QFileDevice::NoError) {
        problem = QStringLiteral("cannot read %1: nothing was written").arg(path);
        return {};
    }
    problem = imageProblem(path, bytes.size());
    return problem.isEmpty() ? bytes : QByteArray();
}

} // namespace flash_tools

FlashToolThread::FlashToolThread(Device& device, Operation operation, QString path,
                                 QByteArray image, Side eraseSide, QObject* parent)
    : DeviceWorker(device, parent), operation_(operation), path_(std::move(path)),
      image_(std::move(image)), eraseSide_(eraseSide)
{
}

FlashToolThread::~FlashToolThread()
{
    stopAndWait();
}

flash_tools::Outcome FlashToolThread::outcome() const
{
    std::lock_guard lock(outcomeMutex_);
    return outcome_;
}

flash_tools::Outcome FlashToolThread::runOperation()
{
    auto progress = [this](uint32_t sectors) {
        sectors_ = sectors;
        emit sendData(kFlashProgress);
        return !stopRequested();
    };
    switch (operation_) {
    case Operation::Erase:
        return flash_tools::eraseAll(device_, eraseSide_, progress);
    case Operation::Write:
        return flash_tools::programAll(device_, image_, eraseSide_, progress);
    case Operation::Read:
        break;
    }
    std::vector<uint8_t> image;
    flash_tools::Outcome outcome = flash_tools::readAll(device_, image, progress);
    if (!outcome.ok)
        return outcome;
    QSaveFile file(path_);
    const auto size = static_cast<qint64>(image.size());
    if (file.open(QIODevice::WriteOnly) &&
        file.write(reinterpret_cast<const char*>(image.data()), size) == size && file.commit())
        return outcome;
    const QString why = file.errorString();
    file.cancelWriting();
    return {false, QStringLiteral("cannot write %1: %2").arg(path_, why)};
}

void FlashToolThread::run()
{
    flash_tools::Outcome outcome;
    if (!SwitchMode(device_, CalibrationMode))
        outcome = {false, QStringLiteral("the frame did not switch to calibration mode: %1")
                              .arg(linkFailureText(device_))};
    else
        outcome = runOperation();
    // Back to work mode after a failure as well; a lost frame is the monitor's to report.
    workMode_ = g_bDevExist && SwitchMode(device_, WorkMode);
    {
        std::lock_guard lock(outcomeMutex_);
        outcome_ = outcome;
    }
    emit sendData(kFlashFinished);
}
