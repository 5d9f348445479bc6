#include "cli/Subcommands.h"

#include "cli/ToolSession.h"
#include "device/Device.h"
#include "device/FlashMap.h"

#include <QFile>

#include <cstdio>
#include <vector>

namespace {

namespace aw = address_word;
using flash_map::kFlashSize;
using flash_map::kSectorSize;

constexpr const char* kUsage =
    "usage: vireto-cli flash read ADDR LEN FILE   read LEN bytes at ADDR into FILE (- = stdout)\n"
    "       vireto-cli flash write ADDR FILE      write FILE at ADDR and verify it\n"
    "       vireto-cli flash erase ADDR COUNT     erase COUNT 4 KB sectors from ADDR (aligned)\n"
    "Addresses are flash byte addresses 0..0x1FFFF; numbers take 0x-hex or decimal. Flash bits\n"
    "can only be cleared by a write: erase the sectors before writing new data. The frame is\n"
    "switched to calibration mode for the operation and back to work mode afterwards.";

// Flash is read in 4 KB requests and written in 32-byte pieces, as the frame's tools do.
constexpr uint32_t kReadChunk = kSectorSize;
constexpr uint32_t kWritePiece = 32;

RegisterRequest flashRequest(uint32_t address, uint32_t length)
{
    RegisterRequest r;
    r.addressWord = aw::make(aw::kSpaceFlash, address);
    r.length = length;
    return r;
}

bool readFlash(Device& device, uint32_t address, uint32_t length, std::vector<uint8_t>& out)
{
    out.resize(length);
    for (uint32_t done = 0; done < length; done += kReadChunk) {
        const uint32_t n = std::min(kReadChunk, length - done);
        if (!device.access.readBlock(flashRequest(address + done, n), out.data() + done))
            return false;
    }
    return true;
}

// Reads until the end of the input or until limit bytes are in; false on a read error.
bool readAtMost(QFile& file, qint64 limit, QByteArray& out)
{
    out.clear();
    while (out.size() < limit) {
        const QByteArray chunk = file.read(std::min<qint64>(limit - out.size(), kSectorSize));
        if (chunk.isEmpty())
            return file.error() == QFileDevice::NoError;
        out += chunk;
    }
    return true;
}

int flashRead(Device& device, const QStringList& a)
{
    const auto address = parseNumber(a.value(0), 0, kFlashSize - 1);
    const auto length = parseNumber(a.value(1), 1, kFlashSize);
    if (!address || !length || a.size() != 3)
        return fail(kExitUsage,
                    QStringLiteral("flash read ADDR LEN FILE: bad arguments (see --help)"));
    if (*address + *length > kFlashSize)
        return fail(kExitUsage,
                    QStringLiteral("0x%1 + %2 bytes runs past the end of the flash (0x20000)")
                        .arg(*address, 0, 16)
                        .arg(*length));
    const QString target = a.value(2);
    ToolSession session(device);
    if (!session.begin())
        return kExitFailed;
    std::vector<uint8_t> data;
    if (!readFlash(device, *address, *length, data))
        return fail(kExitFailed, QStringLiteral("flash read failed: %1").arg(lastFailure(device)));
    QString error;
    if (!writeOutputFile(target,
                         QByteArray(reinterpret_cast<const char*>(data.data()),
                                    static_cast<qsizetype>(data.size())),
                         error))
        return fail(kExitFailed, error);
    if (target != QLatin1String("-"))
        note(QStringLiteral("read %1 bytes at 0x%2 into %3")
                 .arg(data.size())
                 .arg(*address, 5, 16, QLatin1Char('0'))
                 .arg(target));
    return session.end() ? kExitOk : kExitFailed;
}

int flashWrite(Device& device, const QStringList& a)
{
    const auto address = parseNumber(a.value(0), 0, kFlashSize - 1);
    if (!address || a.size() != 2)
        return fail(kExitUsage,
                    QStringLiteral("flash write ADDR FILE: bad arguments (see --help)"));
    // The whole input is read before the frame is touched, also from a pipe whose size
    // is not known in advance: one byte more than the room left shows it is too long.
    const qint64 room = static_cast<qint64>(kFlashSize - *address);
    QFile file(a.value(1));
    QByteArray bytes;
    if (!file.open(QIODevice::ReadOnly) || !readAtMost(file, room + 1, bytes))
        return fail(kExitUsage, QStringLiteral("cannot read %1").arg(a.value(1)));
    if (bytes.size() > room)
        return fail(kExitUsage, QStringLiteral("%1 holds more than the %2 bytes between 0x%3 and "
                                               "the end of the flash")
                                    .arg(a.value(1))
                                    .arg(room)
                                    .arg(*address, 0, 16));
    if (bytes.isEmpty())
        return fail(kExitUsage, QStringLiteral("%1 is empty").arg(a.value(1)));
    ToolSession session(device);
    if (!session.begin())
        return kExitFailed;
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.constData());
    const auto length = static_cast<uint32_t>(bytes.size());
    for (uint32_t done = 0; done < length; done += kWritePiece) {
        const uint32_t n = std::min(kWritePiece, length - done);
        RegisterRequest r = flashRequest(*address + done, n);
        r.data.assign(data + done, data + done + n);
        if (!device.access.writeBlock(r))
            return fail(kExitFailed, QStringLiteral("flash write at 0x%1 failed: %2")
                                         .arg(*address + done, 5, 16, QLatin1Char('0'))
                                         .arg(lastFailure(device)));
    }
    std::vector<uint8_t> readBack;
    if (!readFlash(device, *address, length, readBack))
        return fail(kExitFailed, QStringLiteral("read-back failed: %1").arg(lastFailure(device)));
    for (uint32_t i = 0; i < length; ++i) {
        if (readBack[i] != data[i])
            return fail(kExitFailed,
                        QStringLiteral("read-back differs at 0x%1 (wrote 0x%2, read 0x%3): "
                                       "erase the sectors first")
                            .arg(*address + i, 5, 16, QLatin1Char('0'))
                            .arg(data[i], 2, 16, QLatin1Char('0'))
                            .arg(readBack[i], 2, 16, QLatin1Char('0')));
    }
    note(QStringLiteral("wrote and verified %1 bytes at 0x%2")
             .arg(length)
             .arg(*address, 5, 16, QLatin1Char('0')));
    return session.end() ? kExitOk : kExitFailed;
}

int flashErase(Device& device, const QStringList& a)
{
    const auto address = parseNumber(a.value(0), 0, kFlashSize - 1);
    const auto count = parseNumber(a.value(1), 1, kFlashSize / kSectorSize);
    if (!address || !count || a.size() != 2)
        return fail(kExitUsage,
                    QStringLiteral("flash erase ADDR COUNT: bad arguments (see --help)"));
    if (*address % kSectorSize != 0)
        return fail(kExitUsage,
                    QStringLiteral("0x%1 is not the start of a 4 KB sector").arg(*address, 0, 16));
    if (*address + *count * kSectorSize > kFlashSize)
        return fail(kExitUsage, QStringLiteral("%1 sectors from 0x%2 run past the end of the flash")
                                    .arg(*count)
                                    .arg(*address, 0, 16));
    ToolSession session(device);
    if (!session.begin())
        return kExitFailed;
    for (uint32_t s = 0; s < *count; ++s) {
        RegisterRequest r = flashRequest(*address + s * kSectorSize, 1);
        if (!device.access.erase(r))
            return fail(kExitFailed, QStringLiteral("erase of the sector at 0x%1 failed: %2")
                                         .arg(*address + s * kSectorSize, 5, 16, QLatin1Char('0'))
                                         .arg(lastFailure(device)));
    }
    note(QStringLiteral("erased %1 sector(s) from 0x%2")
             .arg(*count)
             .arg(*address, 5, 16, QLatin1Char('0')));
    return session.end() ? kExitOk : kExitFailed;
}

} // namespace

int runFlash(const CliContext& context)
{
    const QStringList& args = context.args;
    if (wantsHelp(args) || args.isEmpty()) {
        std::puts(kUsage);
        return args.isEmpty() ? kExitUsage : kExitOk;
    }
    const QString verb = args.first();
    const QStringList rest = args.mid(1);
    if (verb != QLatin1String("read") && verb != QLatin1String("write") &&
        verb != QLatin1String("erase"))
        return fail(
            kExitUsage,
            QStringLiteral("unknown flash operation \"%1\" (read, write, erase)").arg(verb));
    Device* device = openFrame(context);
    if (!device)
        return kExitNoFrame;
    if (verb == QLatin1String("read"))
        return flashRead(*device, rest);
    if (verb == QLatin1String("write"))
        return flashWrite(*device, rest);
    return flashErase(*device, rest);
}
