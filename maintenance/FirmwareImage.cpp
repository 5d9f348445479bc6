#include "maintenance/FirmwareImage.h"

#include "device/ByteOrder.h"
#include "device/FlashMap.h"

#include <QFile>

#include <algorithm>

std::optional<FirmwareHeader> FirmwareHeader::decode(const uint8_t* bytes, size_t length)
{
    if (!bytes || length < static_cast<size_t>(kSize))
        return std::nullopt;
    FirmwareHeader h;
    for (int i = 0; i < kEntries; ++i) {
        const uint8_t* e = bytes + i * kEntrySize;
        h.entries[static_cast<size_t>(i)] = {le::u16(e), le::u32(e + 2), le::u32(e + 6),
                                             le::u32(e + 10)};
    }
    return h;
}

void FirmwareHeader::encode(uint8_t* bytes) const
{
    for (int i = 0; i < kEntries; ++i) {
        uint8_t* e = bytes + i * kEntrySize;
        const FirmwareEntry& entry = entries[static_cast<size_t>(i)];
        le::put16(e, entry.present);
        le::put32(e + 2, entry.offset);
        le::put32(e + 6, entry.version);
        le::put32(e + 10, entry.length);
    }
}

namespace {

// A part the update will write: it must hold data, fit the frame's flash and lie
// inside the file. The sums are formed in 64 bits, so no offset or length wraps.
bool writablePart(const FirmwareEntry& entry, uint64_t fileSize)
{
    return entry.length > 0 && entry.length <= flash_map::kFlashSize &&
           uint64_t{entry.offset} + uint64_t{entry.length} <= fileSize;
}

} // namespace

int checkFirmwareBytes(const uint8_t* bytes, size_t length, uint64_t fileSize,
                       FirmwareHeader& header)
{
    const std::optional<FirmwareHeader> decoded = FirmwareHeader::decode(bytes, length);
    if (!decoded || fileSize < static_cast<uint64_t>(FirmwareHeader::kSize))
        return kTextBadImageFile;
    header = *decoded;
    bool anySet = false;
    bool anyOne = false;
    for (const FirmwareEntry& e : header.entries) {
        anySet = anySet || e.present != 0;
        anyOne = anyOne || e.present == 1;
    }
    if (!anySet)
        return kTextBadImageFile;
    if (!anyOne)
        return kTextNothingToUpdate;
    if ((header.partA() && !writablePart(header.partAEntry(), fileSize)) ||
        (header.partB() && !writablePart(header.partBEntry(), fileSize)))
        return kTextBadImageFile;
    return kTextFileFine;
}

int checkFirmwareFile(const QString& path, FirmwareHeader& header)
{
    if (path.isEmpty())
        return kTextNoFileChosen;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return kTextCannotOpen;
    const QByteArray bytes = file.read(FirmwareHeader::kSize);
    return checkFirmwareBytes(reinterpret_cast<const uint8_t*>(bytes.constData()),
                              static_cast<size_t>(bytes.size()),
                              static_cast<uint64_t>(std::max<qint64>(file.size(), 0)), header);
}

QString versionWordText(uint32_t word)
{
    return QStringLiteral("%1.%2.%3").arg(word >> 24).arg((word >> 16) & 0xFF).arg(word & 0xFFFF);
}

ImageDescriptor::Bytes ImageDescriptor::forPartA(uint32_t partAVersion)
{
    Bytes d{};
    d[0] = 'A';
    d[1] = 'G';
    d[2] = 'P';
    d[3] = 'F';
    d[4] = 1;
    d[5] = 0;
    le::put32(&d[6], 0x11111111);
    le::put32(&d[10], partAVersion);
    le::put32(&d[14], 0);
    le::put32(&d[18], 0x7E00);
    d[22] = d[23] = d[24] = d[25] = 0x22;
    le::put32(&d[26], 1);
    le::put32(&d[30], 0x8000);
    le::put32(&d[34], 0x7E00);
    return d;
}
