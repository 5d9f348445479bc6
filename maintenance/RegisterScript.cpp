#include "maintenance/RegisterScript.h"

#include "codec/FlashMap.h"
#include "device/RegisterAccess.h"

#include <QFile>
#include <QList>

#include <cctype>
#include <optional>

namespace {

namespace aw = address_word;
using Op = ScriptStep::Op;

constexpr uint32_t kSlaveBit = aw::kSlaveBit;
// Bits an address word may carry: address, space, Slave.
constexpr uint32_t kWordBits = 0x00FFFFFFu | (3u << 24) | kSlaveBit;

std::optional<uint32_t> digits(QByteArray t, int base)
{
    if (base == 16 && (t.startsWith("0x") || t.startsWith("0X")))
        t = t.mid(2);
    if (t.isEmpty() || t.size() > (base == 16 ? 8 : 10))
        return std::nullopt;
    for (char c : t) {
        const bool ok =
            base == 16 ? std::isxdigit(static_cast<unsigned char>(c)) != 0 : (c >= '0' && c <= '9');
        if (!ok)
            return std::nullopt;
    }
    bool ok = false;
    const qulonglong v = t.toULongLong(&ok, base);
    if (!ok || v > 0xFFFFFFFFull)
        return std::nullopt;
    return static_cast<uint32_t>(v);
}

// Reads the parameters of one line in order; the first problem is kept.
class Params {
public:
    Params(const QList<QByteArray>& tokens, const QByteArray& command)
        : tokens_(tokens), command_(QString::fromLatin1(command))
    {
    }
    uint32_t hex(const char* what) { return number(what, 16); }
    uint32_t decimal(const char* what) { return number(what, 10); }
    QString file()
    {
        const QByteArray t = next("FILE");
        if (!error.isEmpty())
            return {};
        if (t.size() > ScriptStep::kLongestFileName)
            problem(QStringLiteral("file name \"%1\" is longer than %2 characters")
                        .arg(QString::fromLocal8Bit(t))
                        .arg(ScriptStep::kLongestFileName));
        return QString::fromLocal8Bit(t);
    }
    void problem(const QString& why)
    {
        if (error.isEmpty())
            error = QStringLiteral("\"%1\": %2").arg(command_, why);
    }
    QString error;

private:
    QByteArray next(const char* what)
    {
        if (index_ >= tokens_.size()) {
            problem(QStringLiteral("%1 is missing").arg(QLatin1String(what)));
            return {};
        }
        return tokens_[index_++];
    }
    uint32_t number(const char* what, int base)
    {
        const QByteArray t = next(what);
        if (!error.isEmpty())
            return 0;
        const auto v = digits(t, base);
        if (!v)
            problem(QStringLiteral("%1 \"%2\" is not a %3 number")
                        .arg(QLatin1String(what), QString::fromLatin1(t),
                             QLatin1String(base == 16 ? "hexadecimal" : "decimal")));
        return v.value_or(0);
    }

    const QList<QByteArray>& tokens_;
    QString command_;
    int index_ = 2;
};

void checkOneByte(Params& p, uint32_t count)
{
    if (count != 1)
        p.problem(QStringLiteral("moves one byte: count %1 is refused").arg(count, 0, 16));
}

void checkValue(Params& p, uint32_t value)
{
    if (value > 0xFF)
        p.problem(QStringLiteral("value 0x%1 does not fit in a byte").arg(value, 0, 16));
}

// A register number of an FPGA (16 bits) or of a sensor (8 bits), with the Slave bit.
void checkRegister(Params& p, uint32_t address, uint32_t largest)
{
    if ((address & ~kSlaveBit) > largest)
        p.problem(QStringLiteral("register 0x%1 is not between 0 and 0x%2 (bit 28 for the Slave)")
                      .arg(address, 0, 16)
                      .arg(largest, 0, 16));
}

// The address word of a burst: an FPGA register, a sensor register or a flash range.
void checkBurstWord(Params& p, uint32_t word, uint32_t count)
{
    if ((word & ~kWordBits) != 0) {
        p.problem(QStringLiteral("0x%1 is not an address word").arg(word, 0, 16));
        return;
    }
    const uint32_t address = aw::address(word);
    switch (aw::space(word)) {
    case aw::kSpaceFpga:
        if (address > 0xFFFF)
            p.problem(QStringLiteral("FPGA register 0x%1 is above 0xffff").arg(address, 0, 16));
        return;
    case aw::kSpaceSensor:
        if (address > 0xFF)
            p.problem(QStringLiteral("sensor register 0x%1 is above 0xff").arg(address, 0, 16));
        return;
    case aw::kSpaceFlash:
        if (address + static_cast<uint64_t>(count) > flash_map::kFlashSize)
            p.problem(QStringLiteral("%1 bytes at flash address 0x%2 run past the end of the flash")
                          .arg(count)
                          .arg(address, 0, 16));
        return;
    default:
        p.problem(QStringLiteral("the download stream (space 3) cannot be reached from a script"));
    }
}

} // namespace

ScriptLineParse parseScriptLine(const QByteArray& line, int lineNumber)
{
    ScriptLineParse result;
    result.step.lineNumber = lineNumber;
    const QList<QByteArray> tokens = line.simplified().split(' ');
    // Only a line whose first token is the number 1 does something.
    const auto flag = digits(tokens.value(0), 10);
    if (!flag || *flag != 1 || tokens.size() < 2)
        return result;
    const QByteArray command = tokens[1];
    Params p(tokens, command);
    ScriptStep& s = result.step;
    if (command == "prd") {
        s.op = Op::PortRead;
        s.address = p.hex("ADDR");
        s.count = p.hex("COUNT");
        checkRegister(p, s.address, 0xFFFF);
        checkOneByte(p, s.count);
    } else if (command == "pwd") {
        s.op = Op::PortWrite;
        s.address = p.hex("ADDR");
        const uint32_t value = p.hex("VALUE");
        s.count = p.hex("COUNT");
        checkRegister(p, s.address, 0xFFFF);
        checkValue(p, value);
        checkOneByte(p, s.count);
        s.value = static_cast<uint8_t>(value);
    } else if (command == "srd") {
        s.op = Op::SingleRead;
        s.address = p.hex("ADDR");
        checkRegister(p, s.address, 0xFFFF);
    } else if (command == "brd") {
        s.op = Op::BurstRead;
        s.address = p.hex("ADDR");
        s.count = p.hex("COUNT");
        s.file = p.file();
        if (p.error.isEmpty() && (s.count == 0 || s.count > RegisterAccess::kBurstReadMax))
            p.problem(QStringLiteral("count 0x%1 is not between 1 and 0x%2")
                          .arg(s.count, 0, 16)
                          .arg(RegisterAccess::kBurstReadMax, 0, 16));
        checkBurstWord(p, s.address, s.count);
    } else if (command == "bwd") {
        s.op = Op::BurstWrite;
        s.count = p.decimal("COUNT");
        s.address = p.hex("ADDR");
        s.fileOffset = p.hex("OFFSET");
        s.file = p.file();
        if (p.error.isEmpty() && (s.count == 0 || s.count > RegisterAccess::kBurstWriteMax))
            p.problem(QStringLiteral("count %1 is not between 1 and %2")
                          .arg(s.count)
                          .arg(RegisterAccess::kBurstWriteMax));
        checkBurstWord(p, s.address, s.count);
    } else if (command == "#") {
        s.op = Op::Delay;
        s.delayMs = p.decimal("MS");
        if (s.delayMs > ScriptStep::kLongestDelayMs)
            p.problem(QStringLiteral("%1 ms is longer than an hour").arg(s.delayMs));
    } else if (command == "i2cwd") {
        s.op = Op::SensorWrite;
        s.address = p.hex("ADDR");
        s.count = p.hex("COUNT");
        const uint32_t value = p.hex("VALUE");
        checkRegister(p, s.address, 0xFF);
        checkOneByte(p, s.count);
        checkValue(p, value);
        s.value = static_cast<uint8_t>(value);
    } else if (command == "i2crd") {
        s.op = Op::SensorRead;
        s.address = p.hex("ADDR");
        s.count = p.hex("COUNT");
        checkRegister(p, s.address, 0xFF);
        checkOneByte(p, s.count);
    }
    if (!p.error.isEmpty()) {
        result.ok = false;
        result.error = p.error;
    }
    return result;
}

ScriptParse parseScriptFile(const QString& path)
{
    ScriptParse parse;
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return parse;
    int number = 0;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine();
        ++number;
        const ScriptLineParse one = parseScriptLine(line, number);
        if (!one.ok) {
            parse.status = ScriptParse::Status::BadLine;
            parse.badLine = number;
            parse.error = one.error;
            parse.steps.clear();
            return parse;
        }
        if (one.step.op != ScriptStep::Op::None)
            parse.steps.push_back(one.step);
    }
    if (file.error() != QFileDevice::NoError) {
        parse.steps.clear();
        return parse;
    }
    parse.status = ScriptParse::Status::Ok;
    return parse;
}
