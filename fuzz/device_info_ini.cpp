// "DeviceInfo.ini" as the production line hands it over, through the service that writes
// the device-information record: the values are read, the record goes to an in-process
// virtual frame, the device ID advances in the file and the workbook takes the row.
// Whatever the file holds: a failed write leaves the frame's record as it was, a
// successful one stores what the file said, and advancing the ID keeps every other value.
#include "codec/FlashMap.h"
#include "device/Delay.h"
#include "device/Device.h"
#include "device/DeviceState.h"
#include "production/DeviceInfoService.h"
#include "production/DeviceInfoWorkbook.h"
#include "sim/SimTransport.h"
#include "sim/VirtualFrame.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    // The workflows' debug lines would only slow the runs down.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    delay::setTimeScale(0.0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir dir(QStringLiteral("/dev/shm/vireto-fuzz-XXXXXX"));
    static const bool home = qputenv("VIRETO_HOME", dir.path().toLocal8Bit());
    static auto frame = std::make_shared<sim::VirtualFrame>();
    static Device device(std::make_unique<sim::SimTransport>(frame));
    (void)home;
    uint16_t product = 0;
    if (!device.transport().isOpen() && !device.transport().open(product))
        __builtin_trap();
    g_bDevExist = 1;
    g_isDeviceCommunicate = 1;
    frame->clearRequestLog(); // nobody looks at it here; it would only fill the heap

    // Writing the workbook costs a hundred times the rest, so only inputs whose size is a
    // multiple of 16 take that way (a folder that is there); the others meet a workbook
    // folder that is missing, which fails at once.
    const bool withWorkbook = size % 16 == 0;
    const QString workbookFolder =
        withWorkbook ? dir.path() : dir.filePath(QStringLiteral("absent"));
    DeviceInfoService service(device, workbookFolder);
    service.setValuesFile(dir.filePath(QStringLiteral("DeviceInfo.ini")));
    {
        QFile file(service.iniPath());
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    // One row in the workbook at a time keeps every such run as fast as the first.
    QFile::remove(DeviceInfoWorkbook(dir.path()).rowsPath());

    const DeviceInfoFields before = service.iniValues();
    const std::vector<uint8_t> recordBefore =
        frame->readFlash(flash_map::kDeviceInfo, DeviceInfoRecord::kSize);
    service.setClock([] { return QDateTime(QDate(2026, 12, 7), QTime(8, 0)); });
    const DeviceInfoWriteResult result = service.automaticWrite({});

    const std::vector<uint8_t> recordAfter =
        frame->readFlash(flash_map::kDeviceInfo, DeviceInfoRecord::kSize);
    if (!result.written) {
        if (recordAfter != recordBefore)
            __builtin_trap(); // a refused write changed the frame
        return 0;
    }
    DeviceInfoRecord::Bytes bytes{};
    std::copy(recordAfter.begin(), recordAfter.end(), bytes.begin());
    const DeviceInfoRecord stored = DeviceInfoRecord::decode(bytes);
    if (!stored.valid() || stored.fields.deviceId != before.deviceId ||
        stored.fields.screenWidth != before.screenWidth)
        __builtin_trap(); // the frame holds something else than the file said
    if (withWorkbook != result.exported)
        __builtin_trap(); // the row went elsewhere, or a good folder refused it
    if (result.idAdvanced) {
        DeviceInfoFields expected = before;
        expected.deviceId = before.deviceId + 1;
        if (service.iniValues() != expected)
            __builtin_trap(); // advancing the ID changed another value of the next frame
    }
    return 0;
}
