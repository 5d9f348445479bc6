#include "production/DeviceInfoService.h"
#include "app/AppContext.h"
#include "app/LogSink.h"
#include "app/SettingsFile.h"
#include "codec/FlashMap.h"
#include "device/DeviceCategory.h"

#include <QDir>

#include <mutex>

namespace {

namespace aw = address_word;
using flash_map::kDeviceInfo;

constexpr const char* kGroup = "DeviceInfo";
constexpr uint32_t kPiece = 32;

std::mutex copyMutex;
std::optional<DeviceInfoRecord> storedRecord;

RegisterRequest flashRequest(uint32_t address, uint32_t length)
{
    RegisterRequest r;
    r.addressWord = aw::make(aw::kSpaceFlash, address);
    r.length = length;
    return r;
}

QString versionText(uint32_t word)
{
    return QStringLiteral("%1.%2.%3").arg(word >> 24).arg((word >> 16) & 0xFF).arg(word & 0xFFFF);
}

DeviceInfoWriteResult outcome(bool written, const QString& message)
{
    DeviceInfoWriteResult r;
    r.written = written;
    r.message = message;
    return r;
}

bool isLatin1(const QString& text)
{
    for (QChar c : text)
        if (c.unicode() > 0xFF)
            return false;
    return true;
}

} // namespace

DeviceInfoService::DeviceInfoService(Device& device, QString folder)
    : device_(device), folder_(std::move(folder))
{
}

QString DeviceInfoService::iniPath() const
{
    if (!valuesFile_.isEmpty())
        return valuesFile_;
    return QDir(folder_).filePath(QStringLiteral("DeviceInfo.ini"));
}

std::optional<DeviceInfoRecord> DeviceInfoService::storedCopy()
{
    std::lock_guard lock(copyMutex);
    return storedRecord;
}

void DeviceInfoService::forgetStoredCopy()
{
    std::lock_guard lock(copyMutex);
    storedRecord.reset();
}

int DeviceInfoService::readStored(DeviceInfoRecord& record)
{
    DeviceInfoRecord::Bytes bytes{};
    if (!device_.access.readBlock(flashRequest(kDeviceInfo, DeviceInfoRecord::kSize),
                                  bytes.data())) {
        lastMessage_ = QStringLiteral("Read Master failed!\n");
        record = DeviceInfoRecord::decode(bytes);
        return 0;
    }
    record = DeviceInfoRecord::decode(bytes);
    if (record.valid()) {
        std::lock_guard lock(copyMutex);
        storedRecord = record;
    }
    return 1;
}

DeviceInfoFields DeviceInfoService::iniValues() const
{
    const SettingsFile ini(iniPath());
    const QString group = QString::fromLatin1(kGroup);
    auto hex = [&](const char* key) {
        return parseHexField(ini.readText(group, QString::fromLatin1(key))).value_or(0);
    };
    auto dec = [&](const char* key) {
        return parseDecimalField(ini.readText(group, QString::fromLatin1(key))).value_or(0);
    };
    auto text = [&](const char* key) { return ini.readText(group, QString::fromLatin1(key)); };
    DeviceInfoFields f;
    f.deviceId = hex("DeviceID");
    f.infoVersion = hex("InfoVersion");
    f.factoryName = text("FactoryName");
    f.customerName = text("CustomerName");
    f.producer = text("Producer");
    f.batchNumber = text("BatchNumerL");
    f.lotNumber = text("LotNumberL");
    f.encrypWord = hex("EncrypWord");
    f.productModel = text("ProductModel");
    f.supportFeature = hex("SupportFeature");
    f.screenWidth = dec("ScreenWidth");
    f.screenHeight = dec("ScreenHeight");
    return f;
}

DeviceInfoFields DeviceInfoService::dialogValues(bool isReProduction)
{
    DeviceInfoRecord record;
    if (readStored(record) && record.valid() && isReProduction)
        return record.fields;
    return iniValues();
}

DeviceInfoWriteResult DeviceInfoService::fail(const char* message)
{
    lastMessage_ = QString::fromLatin1(message);
    return outcome(false, lastMessage_);
}

DeviceInfoWriteResult DeviceInfoService::automaticWrite(const DeviceInfoExportContext& context)
{
    DeviceInfoFields fields = iniValues();
    fields.manufactureDate = clock_().date();
    return write(fields, context);
}

DeviceInfoWriteResult DeviceInfoService::write(const DeviceInfoFields& fields,
                                               const DeviceInfoExportContext& context)
{
    for (const QString* text : {&fields.factoryName, &fields.customerName, &fields.producer,
                                &fields.batchNumber, &fields.lotNumber, &fields.productModel}) {
        if (!isLatin1(*text)) {
            lastMessage_ =
                QStringLiteral("\"%1\" cannot be stored: the record holds Latin-1 text only.\n")
                    .arg(*text);
            return outcome(false, lastMessage_);
        }
    }
    // A values file the reader cannot understand reads as zeros and empty texts, and
    // advancing the ID would rewrite it from what could be read: refuse it as it is.
    if (!SettingsFile(iniPath()).isWellFormed()) {
        lastMessage_ = QStringLiteral("%1 is not a readable settings file, so the values and the "
                                      "next device ID are unknown: nothing was written to the "
                                      "frame.\n")
                           .arg(QDir::toNativeSeparators(iniPath()));
        return outcome(false, lastMessage_);
    }
    if (!SettingsFile(iniPath()).isWritable()) {
        lastMessage_ = QStringLiteral("%1 cannot be written, so the next device ID could not be "
                                      "stored: nothing was written to the frame.\n")
                           .arg(QDir::toNativeSeparators(iniPath()));
        return outcome(false, lastMessage_);
    }
    LogSink& log = serviceLog();
    ModuleVersions versions;
    if (!device_.blocks.readVersions(Side::Master, versions)) {
        log.log("ReadImageVersion Master failed!\n");
        return fail("ReadImageVersion Master failed!\n");
    }

    DeviceInfoRecord record;
    DeviceInfoRecord stored;
    record.fields = fields;
    record.writeCounter = readStored(stored) && stored.valid() ? stored.writeCounter + 1 : 0;
    const DeviceInfoRecord::Bytes bytes = record.encode();

    if (!device_.access.erase(flashRequest(kDeviceInfo, 1)))
        return fail("Write Master failed (Erase Master)!\n");
    for (uint32_t offset = 4; offset < DeviceInfoRecord::kSize; offset += kPiece) {
        RegisterRequest piece = flashRequest(kDeviceInfo + offset, kPiece);
        piece.data.assign(bytes.begin() + offset, bytes.begin() + offset + kPiece);
        if (!device_.access.writeBlock(piece))
            return fail("Write Master failed (Write Master)!\n");
    }
    RegisterRequest head = flashRequest(kDeviceInfo, 4);
    head.data.assign(bytes.begin(), bytes.begin() + 4);
    if (!device_.access.writeBlock(head))
        return fail("Write Master failed (Write Master)!\n");
    uint8_t readBack[4] = {};
    if (!device_.access.readBlock(flashRequest(kDeviceInfo, 4), readBack))
        return fail("Write Master failed (Read Master)!\n");
    if (!std::equal(readBack, readBack + 4, bytes.begin()))
        return fail("Write Master failed (Write Master head)!\n");
    {
        std::lock_guard lock(copyMutex);
        storedRecord = record;
    }

    DeviceInfoWriteResult result = outcome(true, QStringLiteral("Write success!\n"));
    result.idAdvanced = SettingsFile(iniPath()).write(
        QString::fromLatin1(kGroup), QStringLiteral("DeviceID"), hexText(fields.deviceId + 1));
    if (!result.idAdvanced) {
        result.advanceError =
            QStringLiteral("the next device ID %1 could not be stored in %2: "
                           "the next frame would get the same ID %3")
                .arg(hexText(fields.deviceId + 1), QDir::toNativeSeparators(iniPath()),
                     hexText(fields.deviceId));
        log.logf("%s\n", result.advanceError.toLocal8Bit().constData());
    }
    const QTime start = QTime::currentTime();
    qCDebug(lcDevice, "ReadWriteDeviceInfo::ExcelTemplateExport start  %02d:%02d:%02d:%02d",
            start.hour(), start.minute(), start.second(), start.msec());
    result.exported = DeviceInfoWorkbook(folder_).append(workbookRow(record, context, versions),
                                                         result.exportError);
    const QTime end = QTime::currentTime();
    qCDebug(lcDevice, "ReadWriteDeviceInfo::ExcelTemplateExport end  %02d:%02d:%02d:%02d",
            end.hour(), end.minute(), end.second(), end.msec());
    qCDebug(lcDevice, "ReadWriteDeviceInfo::ExcelTemplateExport start to end  %02d\n",
            static_cast<int>(start.msecsTo(end)));
    if (!result.exported)
        log.logf("Device information export failed: %s\n",
                 result.exportError.toLocal8Bit().constData());
    lastMessage_ = result.message;
    return result;
}

WorkbookRow DeviceInfoService::workbookRow(const DeviceInfoRecord& record,
                                           const DeviceInfoExportContext& context,
                                           const ModuleVersions& versions) const
{
    // The row lists what the frame holds: texts as cut to the record's 16 bytes.
    const DeviceInfoFields f = DeviceInfoRecord::decode(record.encode()).fields;
    const QDateTime now = clock_();
    auto hex2 = [](uint8_t v) { return QStringLiteral("0x%1").arg(v, 2, 16, QLatin1Char('0')); };
    using C = WorkbookCell;
    return {C::ofText(hexText(f.deviceId)),
            C::ofText(hexText(f.infoVersion)),
            C::ofText(f.factoryName),
            C::ofText(f.customerName),
            C::ofText(f.producer),
            C::ofDate(f.manufactureDate),
            C::ofText(f.batchNumber),
            C::ofText(f.lotNumber),
            C::ofText(hexText(f.encrypWord)),
            C::ofText(f.productModel),
            C::ofText(hexText(f.supportFeature)),
            C::ofNumber(record.writeCounter),
            C::ofNumber(f.screenWidth),
            C::ofNumber(f.screenHeight),
            C::ofText(hex2(context.exposureGain)),
            C::ofText(hex2(context.exposureTime)),
            C::ofNumber(context.startLine),
            C::ofText(QString::fromLatin1(kToolVersion)),
            C::ofText(versionText(versions.image)),
            C::ofText(QStringLiteral("1.0.7")),
            C::ofText(versionText(versions.bootLoader)),
            C::ofNumber(640),
            C::ofNumber(context.previewLines),
            C::ofDate(now.date()),
            C::ofText(now.time().toString(QStringLiteral("HH:mm:ss")))};
}
