#pragma once

#include "device/FlashMap.h"
#include "device/RegisterAccess.h"

#include <array>
#include <cstdint>

using SensorBlock = std::array<uint8_t, flash_map::kSensorBlockSize>;
using ConfigRecordBytes = std::array<uint8_t, flash_map::kConfigRecordSize>;

// Versions of one module as the version block stores them.
struct ModuleVersions {
    uint32_t image = 0xFFFFFFFF;
    uint32_t bootLoader = 0xFFFFFFFF;
    bool valid = false;
};

// Reads and writes of the frame's fixed flash records, in the orders that keep an
// interrupted write recognisable: the validity flag is always written last.
class FlashBlocks {
public:
    explicit FlashBlocks(RegisterAccess& access) : access_(access) {}

    // The 1546-byte sensor information block at 0x011000 (Master or Slave form).
    int ReadCalibInfo(SensorBlock& block, Side side = Side::Master);
    // Writes the block into erased flash: 48 blocks of 32 bytes with the flag bytes
    // held back as 0xFF, the last 10 bytes padded to 32, then the flag; then reads the
    // block back and compares bytes 4..1545. The caller erases the two sectors first.
    int writeSensorBlock(const SensorBlock& block);

    // The 31-byte configuration record at 0x018000.
    int readConfigRecord(ConfigRecordBytes& record, Side side = Side::Master);
    // Nine 32-byte blocks from the record's address (record, then zero bytes) with the
    // flag bytes held back as 0xFF, then the flag. No read-back. The caller erases.
    int writeConfigRecordBlocks(const ConfigRecordBytes& record, Side side = Side::Master);

    // The version block at 0x013000; the result is also kept per module.
    int readVersions(Side side, ModuleVersions& versions);
    const ModuleVersions& versions(Side side) const { return versions_[static_cast<int>(side)]; }

    RegisterAccess& access() { return access_; }

private:
    int writeFlash(Side side, uint32_t address, const uint8_t* data, size_t length);

    RegisterAccess& access_;
    std::array<ModuleVersions, 2> versions_{};
};
