#include "cli/Subcommands.h"

#include "cli/Interruption.h"
#include "cli/ProgressLine.h"
#include "cli/ToolSession.h"
#include "codec/FlashMap.h"
#include "device/Device.h"
#include "device/FlashArea.h"
#include "maintenance/FlashTools.h"

#include <QFile>

#include <cstdio>
#include <vector>

namespace {

using flash_map::kFlashSize;
using flash_map::kSectorSize;

constexpr const char* kUsage =
    "usage: vireto-cli flash read ADDR LEN FILE   read LEN bytes at ADDR into FILE (- = stdout)\n"
    "       vireto-cli flash write ADDR FILE      write FILE at ADDR and verify it\n"
    "       vireto-cli flash erase ADDR COUNT     erase COUNT 4 KB sectors from ADDR (aligned)\n"
    "       vireto-cli flash dump FILE            the whole flash (131072 bytes) into FILE\n"
    "       vireto-cli flash program FILE         the whole flash from FILE (exactly 131072\n"
    "                                             bytes): each sector erased, written, read back\n"
    "Addresses are flash byte addresses 0..0x1FFFF; numbers take 0x-hex or decimal. Flash bits\n"
    "can only be cleared by a write: erase the sectors before writing new data. The frame is\n"
    "switched to calibration mode for the operation and back to work mode afterwards.";

QString hex5(uint32_t address)
{
    return QStringLiteral("0x%1").arg(address, 5, 16, QLatin1Char('0'));
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
    if (flash_area::read(device, *address, *length, data))
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
    using Step = flash_area::Failure::Step;
    const flash_area::Failure f = flash_area::writeVerified(device, *address, data, length);
    if (f.step == Step::Write)
        return fail(kExitFailed, QStringLiteral("flash write at %1 failed: %2")
                                     .arg(hex5(f.address), lastFailure(device)));
    if (f.step == Step::ReadBack)
        return fail(kExitFailed, QStringLiteral("read-back failed: %1").arg(lastFailure(device)));
    if (f.step == Step::Differs)
        return fail(kExitFailed, QStringLiteral("read-back differs at %1 (wrote 0x%2, read 0x%3): "
                                                "erase the sectors first")
                                     .arg(hex5(f.address))
                                     .arg(f.wrote, 2, 16, QLatin1Char('0'))
                                     .arg(f.read, 2, 16, QLatin1Char('0')));
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
    if (const flash_area::Failure f = flash_area::eraseSectors(device, *address, *count); f)
        return fail(kExitFailed, QStringLiteral("erase of the sector at %1 failed: %2")
                                     .arg(hex5(f.address), lastFailure(device)));
    note(QStringLiteral("erased %1 sector(s) from 0x%2")
             .arg(*count)
             .arg(*address, 5, 16, QLatin1Char('0')));
    return session.end() ? kExitOk : kExitFailed;
}

// Sectors done, on stderr; a signal stops the work between two sectors, so that every
// sector is either as it was or wholly rewritten.
flash_tools::Progress sectorCounter(ProgressLine& line)
{
    return [&line](uint32_t sectors) {
        line.update(sectors);
        return !interruption::requested();
    };
}

int flashDump(const CliContext& context, const QStringList& a)
{
    if (a.size() != 1 || a[0].isEmpty())
        return fail(kExitUsage, QStringLiteral("flash dump FILE: bad arguments (see --help)"));
    return inFrameSession(context, [&](Device& device, ToolSession& session) -> int {
        std::vector<uint8_t> image;
        ProgressLine line(QStringLiteral("flash dump"), flash_tools::kSectors);
        const flash_tools::Outcome outcome =
            flash_tools::readAll(device, image, sectorCounter(line));
        line.finish();
        if (!outcome.ok) {
            fail(kExitFailed,
                 QStringLiteral("flash dump failed: %1; no file was written").arg(outcome.failure));
            return session.finish(kExitFailed);
        }
        QString error;
        if (!writeOutputFile(a[0],
                             QByteArray(reinterpret_cast<const char*>(image.data()),
                                        static_cast<qsizetype>(image.size())),
                             error)) {
            fail(kExitFailed, error);
            return session.finish(kExitFailed);
        }
        if (a[0] != QLatin1String("-"))
            note(QStringLiteral("read the whole flash (%1 bytes) into %2")
                     .arg(image.size())
                     .arg(a[0]));
        return session.finish(kExitOk);
    });
}

int flashProgram(const CliContext& context, const QStringList& a)
{
    if (a.size() != 1)
        return fail(kExitUsage, QStringLiteral("flash program FILE: bad arguments (see --help)"));
    QString problem;
    const QByteArray image = flash_tools::loadImage(a[0], problem);
    if (!problem.isEmpty())
        return fail(kExitUsage, problem);
    return inFrameSession(context, [&](Device& device, ToolSession& session) -> int {
        ProgressLine line(QStringLiteral("flash program"), flash_tools::kSectors);
        const flash_tools::Outcome outcome =
            flash_tools::programAll(device, image, Side::Master, sectorCounter(line));
        line.finish();
        if (!outcome.ok) {
            fail(kExitFailed, QStringLiteral("flash program failed: %1").arg(outcome.failure));
            return session.finish(kExitFailed);
        }
        note(QStringLiteral("programmed and verified the whole flash from %1").arg(a[0]));
        return session.finish(kExitOk);
    });
}

} // namespace

int runFlash(const CliContext& context)
{
    const QStringList& args = context.args;
    if (wantsHelp(args) || args.isEmpty()) {
        return usage(kUsage, !args.isEmpty());
    }
    const QString verb = args.first();
    const QStringList rest = args.mid(1);
    if (verb == QLatin1String("dump"))
        return flashDump(context, rest);
    if (verb == QLatin1String("program"))
        return flashProgram(context, rest);
    if (verb != QLatin1String("read") && verb != QLatin1String("write") &&
        verb != QLatin1String("erase"))
        return fail(kExitUsage, QStringLiteral("unknown flash operation \"%1\" (read, write, "
                                               "erase, dump, program)")
                                    .arg(verb));
    Device* device = openFrame(context);
    if (!device)
        return kExitNoFrame;
    if (verb == QLatin1String("read"))
        return flashRead(*device, rest);
    if (verb == QLatin1String("write"))
        return flashWrite(*device, rest);
    return flashErase(*device, rest);
}
