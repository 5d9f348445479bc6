#include "device/DeviceInfoRecord.h"

#include "device/ByteOrder.h"

#include <cstring>

namespace {

// Record offsets.
constexpr size_t kDeviceId = 4;
constexpr size_t kInfoVersion = 8;
constexpr size_t kFactoryName = 12;
constexpr size_t kCustomerName = 28;
constexpr size_t kProducer = 44;
constexpr size_t kManufDate = 60;
constexpr size_t kBatchNumber = 64;
constexpr size_t kLotNumber = 80;
constexpr size_t kEncrypWord = 96;
constexpr size_t kProductModel = 100;
constexpr size_t kSupportFeature = 116;
constexpr size_t kWriteCounter = 120;
constexpr size_t kScreenWidth = 124;
constexpr size_t kScreenHeight = 128;

void putText(uint8_t* p, const QString& text)
{
    const QByteArray latin1 = text.toLatin1().left(DeviceInfoRecord::kTextSize);
    std::memset(p, 0, DeviceInfoRecord::kTextSize);
    std::memcpy(p, latin1.constData(), static_cast<size_t>(latin1.size()));
}

QString getText(const uint8_t* p)
{
    size_t n = 0;
    while (n < DeviceInfoRecord::kTextSize && p[n] != 0)
        ++n;
    return QString::fromLatin1(reinterpret_cast<const char*>(p), static_cast<qsizetype>(n));
}

// The date in four bytes: year (u16), month, day. An unset date is all zero.
void putDate(uint8_t* p, const QDate& date)
{
    le::put16(p, date.isValid() ? static_cast<uint16_t>(date.year()) : 0);
    p[2] = date.isValid() ? static_cast<uint8_t>(date.month()) : 0;
    p[3] = date.isValid() ? static_cast<uint8_t>(date.day()) : 0;
}

QDate getDate(const uint8_t* p)
{
    return QDate(le::u16(p), p[2], p[3]); // invalid when the bytes are not a date
}

} // namespace

DeviceInfoRecord::Bytes DeviceInfoRecord::encode() const
{
    Bytes b{};
    le::put32(&b[0], head);
    le::put32(&b[kDeviceId], fields.deviceId);
    le::put32(&b[kInfoVersion], fields.infoVersion);
    putText(&b[kFactoryName], fields.factoryName);
    putText(&b[kCustomerName], fields.customerName);
    putText(&b[kProducer], fields.producer);
    putDate(&b[kManufDate], fields.manufactureDate);
    putText(&b[kBatchNumber], fields.batchNumber);
    putText(&b[kLotNumber], fields.lotNumber);
    le::put32(&b[kEncrypWord], fields.encrypWord);
    putText(&b[kProductModel], fields.productModel);
    le::put32(&b[kSupportFeature], fields.supportFeature);
    le::put32(&b[kWriteCounter], writeCounter);
    le::put32(&b[kScreenWidth], fields.screenWidth);
    le::put32(&b[kScreenHeight], fields.screenHeight);
    return b;
}

DeviceInfoRecord DeviceInfoRecord::decode(const Bytes& b)
{
    DeviceInfoRecord r;
    r.head = le::u32(&b[0]);
    r.fields.deviceId = le::u32(&b[kDeviceId]);
    r.fields.infoVersion = le::u32(&b[kInfoVersion]);
    r.fields.factoryName = getText(&b[kFactoryName]);
    r.fields.customerName = getText(&b[kCustomerName]);
    r.fields.producer = getText(&b[kProducer]);
    r.fields.manufactureDate = getDate(&b[kManufDate]);
    r.fields.batchNumber = getText(&b[kBatchNumber]);
    r.fields.lotNumber = getText(&b[kLotNumber]);
    r.fields.encrypWord = le::u32(&b[kEncrypWord]);
    r.fields.productModel = getText(&b[kProductModel]);
    r.fields.supportFeature = le::u32(&b[kSupportFeature]);
    r.writeCounter = le::u32(&b[kWriteCounter]);
    r.fields.screenWidth = le::u32(&b[kScreenWidth]);
    r.fields.screenHeight = le::u32(&b[kScreenHeight]);
    return r;
}

QString hexText(uint32_t value)
{
    return QStringLiteral("0x") +
           QString::number(value, 16).rightJustified(8, QLatin1Char('0')).toUpper();
}

QString dateText(const QDate& date)
{
    if (!date.isValid())
        return QString();
    return QStringLiteral("%1%2%3")
        .arg(date.year())
        .arg(date.month(), 2, 10, QLatin1Char('0'))
        .arg(date.day(), 2, 10, QLatin1Char('0'));
}

std::optional<uint32_t> parseHexField(const QString& text)
{
    QString t = text.trimmed();
    if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        t = t.mid(2);
    bool ok = false;
    const qulonglong v = t.toULongLong(&ok, 16);
    if (!ok || t.isEmpty() || v > 0xFFFFFFFFULL)
        return std::nullopt;
    return static_cast<uint32_t>(v);
}

std::optional<uint32_t> parseDecimalField(const QString& text)
{
    bool ok = false;
    const QString t = text.trimmed();
    const qulonglong v = t.toULongLong(&ok, 10);
    if (!ok || t.isEmpty() || v > 0xFFFFFFFFULL)
        return std::nullopt;
    return static_cast<uint32_t>(v);
}

std::optional<QDate> parseDateField(const QString& text)
{
    const QDate d = QDate::fromString(text.trimmed(), QStringLiteral("yyyyMMdd"));
    return d.isValid() ? std::optional<QDate>(d) : std::nullopt;
}
