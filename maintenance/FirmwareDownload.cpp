#include "maintenance/FirmwareDownload.h"

#include "app/AppContext.h"
#include "app/LogSink.h"
#include "codec/ByteOrder.h"
#include "codec/ConfigRecord.h"
#include "codec/FlashMap.h"
#include "device/ConfigRecordStore.h"
#include "device/Delay.h"
#include "device/DeviceState.h"
#include "maintenance/MaintenanceCategory.h"

#include <QFile>

#include <cstring>

namespace {

namespace aw = address_word;
using namespace flash_map;

RegisterRequest flashRequest(uint32_t address, uint32_t length, const uint8_t* data = nullptr)
{
    RegisterRequest r;
    r.addressWord = aw::make(aw::kSpaceFlash, address);
    r.length = length;
    if (data)
        r.data.assign(data, data + length);
    return r;
}

} // namespace

FirmwareDownload::FirmwareDownload(Device& device, QString path, FirmwareHeader header,
                                   const std::atomic<int>& stop, std::function<void(int)> send)
    : device_(device), path_(std::move(path)), header_(header), stop_(stop), send_(std::move(send))
{
}

void FirmwareDownload::progress(int value)
{
    g_UpdateProgress = value;
    send_(kFwProgress);
}

bool FirmwareDownload::frameStillThere()
{
    if (g_bDevExist)
        return true;
    send_(kFwNoFrame);
    return false;
}

void FirmwareDownload::run()
{
    if (!frameStillThere())
        return;
    progress(8);
    if (header_.partA()) {
        delay::wait(kPartAWaitMs);
        if (downloadPart(Part::A) != 1)
            return;
        if (!frameStillThere() || stop_)
            return;
        progress(24);
    }
    if (header_.partB()) {
        progress(32);
        if (downloadPart(Part::B) != 1)
            return;
        if (!frameStillThere() || stop_)
            return;
        progress(80);
        if (!EnsureConfigRecord(device_)) {
            send_(kFwStepFailed);
            return;
        }
    }
    send_(kFwDone);
}

int FirmwareDownload::downloadPart(Part part)
{
    if (stop_)
        return 0;
    if (!frameStillThere())
        return 2;
    streamState_ = kStreamFirst;
    QFile file(path_);
    auto failed = [&](int code) {
        send_(code);
        streamState_ = kStreamIdle;
        return 2;
    };
    if (!file.open(QIODevice::ReadOnly))
        return failed(kFwCannotOpen);
    progress(32);

    // The old contents are read first (the descriptor is kept), then the area erased.
    const uint32_t area = part == Part::A ? kImageDescriptor : kVersionBlock;
    uint8_t old[kImageDescriptorRead] = {};
    const uint32_t oldLength = part == Part::A ? kImageDescriptorRead : kVersionBlockSize;
    if (!device_.access.readBlock(flashRequest(area, oldLength), old) ||
        !device_.access.erase(flashRequest(area, 1)))
        return failed(kFwStepFailed);

    const FirmwareEntry& entry = part == Part::A ? header_.partAEntry() : header_.partBEntry();
    bool lastSent = false;
    for (uint32_t k = 0; entry.length > kPacket * k; ++k) {
        const uint32_t remaining = entry.length - static_cast<uint32_t>(kPacket) * k;
        const uint32_t size = std::min<uint32_t>(kPacket, remaining);
        if (remaining < kPacket + 1)
            streamState_ = kStreamLast;
        if (k == 0) {
            if (!file.seek(entry.offset))
                return failed(kFwStepFailed);
            send_(kFwFirstPacket);
        }
        uint8_t packet[kPacket] = {};
        // A short read must not send stale bytes to the frame.
        if (file.read(reinterpret_cast<char*>(packet), size) != static_cast<qint64>(size))
            return failed(kFwStepFailed);
        const uint8_t flags = streamState_ == kStreamFirst  ? cmd::kFlagFirst
                              : streamState_ == kStreamLast ? cmd::kFlagLast
                                                            : 0;
        const int ok = part == Part::A ? device_.access.streamAWrite(flags, packet, size)
                                       : device_.access.streamBWrite(flags, packet, size);
        if (!ok) {
            qCDebug(
                lcMaintenance,
                "g_UpdateImageSucEvent: WaitForSingleObject Failed!\n Download Image failed!\n");
            return failed(kFwStepFailed);
        }
        if (streamState_ == kStreamFirst)
            streamState_ = kStreamMiddle;
        lastSent = streamState_ == kStreamLast;
    }
    progress(48);

    if (lastSent) {
        bool written = device_.access.erase(flashRequest(area, 1));
        if (part == Part::A) {
            const ImageDescriptor::Bytes d = ImageDescriptor::forPartA(entry.version);
            written = written &&
                      device_.access.writeBlock(flashRequest(
                          kImageDescriptor + 4, ImageDescriptor::kSize - 4, d.data() + 4)) &&
                      device_.access.writeBlock(flashRequest(kImageDescriptor, 4, d.data()));
        } else {
            // The block also holds the boot loader's version, which the boot loader does
            // not necessarily write again: it goes back beside the new image version.
            uint8_t versions[kVersionBlockSize];
            le::put32(versions, entry.version);
            std::memcpy(versions + 4, old + 4, 4);
            uint8_t readBack[kVersionBlockSize] = {};
            written = written &&
                      device_.access.writeBlock(
                          flashRequest(kVersionBlock, kVersionBlockSize, versions)) &&
                      device_.access.readBlock(flashRequest(kVersionBlock, kVersionBlockSize),
                                               readBack) &&
                      std::memcmp(versions, readBack, kVersionBlockSize) == 0;
        }
        if (!written) {
            send_(kFwStepFailed);
            streamState_ = kStreamIdle;
            return 2;
        }
    }
    streamState_ = kStreamIdle;
    return 1;
}

CFirmwareUpdateThread::CFirmwareUpdateThread(Device& device, QString path, FirmwareHeader header,
                                             QObject* parent)
    : DeviceWorker(device, parent), path_(std::move(path)), header_(header)
{
}

CFirmwareUpdateThread::~CFirmwareUpdateThread()
{
    stopAndWait();
}

void CFirmwareUpdateThread::run()
{
    FirmwareDownload(device_, path_, header_, stopFlag(), reporter()).run();
}

void logImageDescriptor(Device& device)
{
    LogSink& log = serviceLog();
    log.log("\nMaster:\n");
    uint8_t d[kImageDescriptorRead] = {};
    if (!device.access.readBlock(flashRequest(kImageDescriptor, kImageDescriptorRead), d)) {
        log.log("ReadHInfo Failed!\n");
        return;
    }
    log.logf(
        "HInfo:\n0x%08x,0x%02x,0x%02x,0x%08x,0x%08x,0x%08x,0x%08x,0x%08x,0x%08x,0x%08x,0x%08x\n",
        le::u32(d), d[4], d[5], le::u32(d + 6), le::u32(d + 10), le::u32(d + 14), le::u32(d + 18),
        le::u32(d + 22), le::u32(d + 26), le::u32(d + 30), le::u32(d + 34));
    ModuleVersions versions;
    if (!device.blocks.readVersions(Side::Master, versions)) {
        log.log("ReadImage Failed!\n");
        return;
    }
    log.logf("Imageversion:0x%08x,bootloader version=0x%08x\n", versions.image,
             versions.bootLoader);
    log.log("--------------------------------------\n\nSlave:\n");
}
