#include "maintenance/FlashTest.h"

#include "codec/FlashMap.h"
#include "device/Delay.h"
#include "device/DeviceState.h"
#include "device/FlashArea.h"
#include "device/ModeSwitch.h"

#include <QSaveFile>

#include <algorithm>

namespace {

using flash_map::kFlashSize;
using flash_map::kSectorSize;

constexpr double kWaitSliceMs = 50.0;

bool saveWhole(const QString& path, const std::vector<uint8_t>& bytes)
{
    QSaveFile file(path);
    const auto size = static_cast<qint64>(bytes.size());
    if (file.open(QIODevice::WriteOnly) &&
        file.write(reinterpret_cast<const char*>(bytes.data()), size) == size && file.commit())
        return true;
    file.cancelWriting();
    return false;
}

} // namespace

bool FlashSkipRange::contains(uint32_t address) const
{
    const uint32_t sector = address & ~(kSectorSize - 1);
    const uint32_t offset = address - sector;
    return sector == sectorOffset && offset >= first && offset <= last;
}

std::vector<FlashSkipRange> FlashTestOptions::ranges() const
{
    constexpr uint32_t kSensorSector = flash_map::kSensorBlock;
    std::vector<FlashSkipRange> list;
    if (!skipRanges)
        return list;
    if (skipExposure)
        list.push_back({4, 7, kSensorSector});
    if (skipColumns)
        list.push_back({8, 11, kSensorSector});
    if (skipLines)
        list.push_back({18, 65, kSensorSector});
    return list;
}

FlashTestRun::FlashTestRun(Device& device, FlashTestOptions options, FlashTestState& state,
                           const std::atomic<int>& stop, std::function<void(int)> send)
    : device_(device), options_(std::move(options)), ranges_(options_.ranges()), stop_(stop),
      send_(std::move(send)), state_(state)
{
}

QString FlashTestRun::dumpName(const QString& prefix, int run, Side side)
{
    return QStringLiteral("%1%2_Flash_%3.bin")
        .arg(prefix)
        .arg(run)
        .arg(QLatin1String(sideName(side)));
}

bool FlashTestRun::frameUsable() const
{
    return g_bDevExist && g_isDeviceCommunicate;
}

bool FlashTestRun::wait(double ms)
{
    return delay::waitUnlessStopped(ms, kWaitSliceMs, stop_);
}

// Each module's dump is the whole flash read through that module's address word.
bool FlashTestRun::dump(int run, std::array<std::vector<uint8_t>, 2>& images)
{
    for (Side side : {Side::Master, Side::Slave}) {
        std::vector<uint8_t>& image = images[static_cast<size_t>(side)];
        if (flash_area::read(device_, 0, kFlashSize, image, {}, side) ||
            !saveWhole(dumpName(options_.dumpPrefix, run, side), image))
            return false;
    }
    return true;
}

int64_t FlashTestRun::firstDifference(const std::vector<uint8_t>& now,
                                      const std::vector<uint8_t>& reference) const
{
    for (uint32_t a = 0; a < kFlashSize; ++a) {
        if (now[a] == reference[a])
            continue;
        if (std::none_of(ranges_.begin(), ranges_.end(),
                         [a](const FlashSkipRange& r) { return r.contains(a); }))
            return a;
    }
    return -1;
}

bool FlashTestRun::takeReference()
{
    if (!wait(options_.firstWaitMs))
        return false;
    if (!SwitchMode(device_, CalibrationMode) || !dump(0, reference_)) {
        send_(kReferenceFailed);
        return false;
    }
    return true;
}

bool FlashTestRun::cycle()
{
    const int run = ++state_.runCounter;
    send_(kCycleStarted);
    if (!SwitchMode(device_, CalibrationMode)) {
        send_(kTestEnded);
        return false;
    }
    FrameCommands& c = device_.commands;
    for (Side side : {Side::Master, Side::Slave}) {
        uint16_t line = 0;
        if (!c.SearchStartline(side, options_.searchLow, options_.searchHigh, line)) {
            send_(kCycleFailed);
            return false;
        }
    }
    for (Side side : {Side::Master, Side::Slave}) {
        uint8_t time = 0;
        uint8_t gain = 0;
        if (!c.GetExposure(side, kExposureStartColumn,
                           options_.endColumns[static_cast<size_t>(side)], time, gain)) {
            send_(kCycleFailed);
            return false;
        }
    }
    // An odd cycle has the frame store its optical parameters (in the sensor block).
    if (!SwitchMode(device_, run % 2 == 0 ? WorkMode : SaveMode)) {
        send_(kTestEnded);
        return false;
    }
    std::array<std::vector<uint8_t>, 2> now;
    if (!dump(run, now)) {
        send_(kCycleFailed);
        return false;
    }
    for (Side side : {Side::Master, Side::Slave}) {
        const auto i = static_cast<size_t>(side);
        const int64_t at = firstDifference(now[i], reference_[i]);
        if (at >= 0) {
            state_.lastDifference = static_cast<uint32_t>(at);
            send_(side == Side::Master ? kMasterDiffers : kSlaveDiffers);
            return false;
        }
    }
    return true;
}

void FlashTestRun::run()
{
    state_.runCounter = 0;
    if (options_.endColumnsSource)
        options_.endColumns = options_.endColumnsSource(device_);
    if (!takeReference())
        return;
    while (!stop_ && frameUsable()) {
        if (!cycle())
            return;
        if (options_.maxCycles > 0 && state_.runCounter >= options_.maxCycles)
            return;
        if (!wait(options_.cycleWaitMs))
            return;
    }
    if (!stop_)
        send_(kTestEnded);
}

RWFlashTestThread::RWFlashTestThread(Device& device, FlashTestOptions options, QObject* parent)
    : WorkerThread(parent), device_(device), options_(std::move(options))
{
    orderHandOvers(this, &RWFlashTestThread::sendShowData);
}

RWFlashTestThread::~RWFlashTestThread()
{
    stopAndWait();
}

void RWFlashTestThread::run()
{
    FlashTestRun(device_, options_, state_, stopFlag(), [this](int code) {
        emit sendShowData(code);
    }).run();
}
