#include "maintenance/RegisterPanelAccess.h"

namespace register_panel {

namespace {

namespace aw = address_word;

QString accessLine(const char* name, uint32_t word, uint8_t value)
{
    return QString::asprintf("%s: %s Addr: 0x%04x  value: 0x%02x", sideName(aw::side(word)), name,
                             word & 0xFFFF, value);
}

QString errorLine(const char* name, uint32_t word)
{
    return QString::asprintf("%s: %s error", sideName(aw::side(word)), name);
}

} // namespace

std::optional<uint32_t> parseHex(const QString& text)
{
    QString t = text.trimmed();
    if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        t = t.mid(2);
    t.remove(QLatin1Char('_'));
    if (t.isEmpty() || t.size() > 8)
        return std::nullopt;
    bool ok = false;
    const uint v = t.toUInt(&ok, 16);
    if (!ok || t.contains(QLatin1Char('x'), Qt::CaseInsensitive))
        return std::nullopt;
    return static_cast<uint32_t>(v);
}

QString fieldText(uint32_t value)
{
    return QStringLiteral("0x%1").arg(value, 2, 16, QLatin1Char('0'));
}

std::optional<Access> prepare(const Fields& fields, bool write, QString& problem)
{
    const auto address = parseHex(fields.address);
    const uint32_t largest = fields.sensor ? 0xFF : 0xFFFF;
    if (!address || *address > largest) {
        problem = QStringLiteral("Reg Addr(HEX) \"%1\" is not %2 register (0 to 0x%3)")
                      .arg(fields.address, QLatin1String(fields.sensor ? "a sensor" : "an FPGA"))
                      .arg(largest, 0, 16);
        return std::nullopt;
    }
    Access access;
    access.write = write;
    access.sensor = fields.sensor;
    access.addressWord = aw::make(fields.sensor ? aw::kSpaceSensor : aw::kSpaceFpga, *address,
                                  fields.slave ? Side::Slave : Side::Master);
    if (write) {
        const auto value = parseHex(fields.value);
        if (!value || *value > 0xFF) {
            problem = QStringLiteral("Value \"%1\" is not a byte (0 to 0xff)").arg(fields.value);
            return std::nullopt;
        }
        access.value = static_cast<uint8_t>(*value);
    }
    return access;
}

int run(Device& device, const Access& a, Result& result)
{
    RegisterAccess& access = device.access;
    RegisterRequest r;
    r.addressWord = a.addressWord;
    r.length = 1;
    r.data = {a.value};
    uint8_t value = a.value;
    const char* name = nullptr;
    bool ok = false;
    if (a.sensor && a.write) {
        name = "I2CWrite";
        ok = access.sensorWrite(r);
        result.code = ok ? kSensorWriteDone : kSensorWriteFailed;
        result.status = QStringLiteral("send message: write_i2c_reg err");
    } else if (a.sensor) {
        name = "I2C_Read";
        ok = access.sensorRead(r, value);
        result.code = ok ? kSensorReadDone : kSensorReadFailed;
        result.status = QStringLiteral("send message: read_i2c_reg err.");
    } else if (a.write) {
        name = "FPGAPortWrite";
        ok = access.portWrite(r);
        result.code = ok ? kPortWriteDone : kPortWriteFailed;
        result.status = QStringLiteral("send message: write_reg err.");
    } else {
        name = "FPGASingleRead";
        ok = access.singleRead(r, value);
        result.code = ok ? kSingleReadDone : kSingleReadFailed;
        result.status = QStringLiteral("send message: read_FPGASingle_reg err.");
    }
    result.address = aw::address(a.addressWord);
    result.value = value;
    if (ok) {
        result.status.clear();
        result.logLine = accessLine(name, a.addressWord, value);
    } else {
        result.logLine = errorLine(name, a.addressWord);
    }
    result.ran = true;
    return result.code;
}

} // namespace register_panel
