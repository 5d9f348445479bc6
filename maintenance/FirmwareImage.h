#pragma once

#include "app/TextIds.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

// The header of a firmware image file: six entries of 14 bytes in the file's first 84
// bytes. Entry 0 describes part A, entry 4 the data of part B (which entry 1's flag
// switches on).
struct FirmwareEntry {
    uint16_t present = 0; // 1: this entry is to be written
    uint32_t offset = 0;  // where its data starts in the file
    uint32_t version = 0;
    uint32_t length = 0;
};

struct FirmwareHeader {
    static constexpr int kEntries = 6;
    static constexpr int kEntrySize = 14;
    static constexpr int kSize = kEntries * kEntrySize; // 84

    std::array<FirmwareEntry, kEntries> entries{};

    // The header at the start of bytes; none when fewer than kSize bytes are given.
    static std::optional<FirmwareHeader> decode(const uint8_t* bytes, size_t length);
    void encode(uint8_t* bytes) const;

    bool partA() const { return entries[0].present == 1; }
    bool partB() const { return entries[1].present == 1; }
    const FirmwareEntry& partAEntry() const { return entries[0]; }
    const FirmwareEntry& partBEntry() const { return entries[4]; }
};

// The file checks answer with kTextFileFine or the text to show: kTextBadImageFile,
// kTextNothingToUpdate, kTextCannotOpen or kTextNoFileChosen.
constexpr int kTextFileFine = 0;

// Checks an image file given as its first `length` bytes (at least the header) and its
// whole size: all flags 0 is a bad file (34), no flag 1 is nothing to update (35). A
// file shorter than its header is a bad file (34), and so is a part to be written that
// is empty, larger than the frame's flash or reaching beyond the end of the file: each
// would erase what the frame holds and then fail or write nothing. Returns
// kTextFileFine and the header, or the text to show.
int checkFirmwareBytes(const uint8_t* bytes, size_t length, uint64_t fileSize,
                       FirmwareHeader& header);
// Opens the file, reads its header and checks it as above, before anything is sent to
// the frame.
int checkFirmwareFile(const QString& path, FirmwareHeader& header);

// The version word's parts as the tool shows them: major.minor.build.
QString versionWordText(uint32_t word);

// Image descriptor written after part A (HInfo, 38 bytes at 0x010000, magic last).
struct ImageDescriptor {
    static constexpr size_t kSize = 38;
    using Bytes = std::array<uint8_t, kSize>;
    static Bytes forPartA(uint32_t partAVersion);
};
