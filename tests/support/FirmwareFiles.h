#pragma once

// A small firmware file for the tests: part A (the application, version 1.1.5) and
// part B (the version block's image version 1.4.9, the boot loader left alone), each
// filled with 0x5A.
#include "codec/FirmwareImage.h"

#include <QByteArray>

inline QByteArray smallFirmwareFile(uint32_t lengthA = 300, uint32_t lengthB = 500)
{
    FirmwareHeader h;
    h.entries[0] = {1, FirmwareHeader::kSize, 0x01010005, lengthA};
    h.entries[1] = {1, 0, 0, 0};
    h.entries[4] = {0, FirmwareHeader::kSize + lengthA, 0x01040009, lengthB};
    QByteArray file(FirmwareHeader::kSize, '\0');
    h.encode(reinterpret_cast<uint8_t*>(file.data()));
    return file + QByteArray(static_cast<qsizetype>(lengthA + lengthB), '\x5A');
}
