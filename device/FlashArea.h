#pragma once

#include "device/Device.h"

#include <cstdint>
#include <functional>
#include <vector>

// Any range of the frame's flash, as the flash tools of the windows and of the command
// line handle it: reads in 4 KB requests, writes in 32-byte pieces checked by reading
// them back, erases sector by sector. Each operation reports the bytes (or sectors)
// done after every step to `progress`, which may end it early by returning false.
// `side` names the module whose address word carries the requests; the flash commands
// carry only the 24-bit address, so both reach the same flash.
namespace flash_area {

constexpr uint32_t kReadChunk = flash_map::kSectorSize;
constexpr uint32_t kWritePiece = 32;

// Bytes or sectors done so far; false ends the operation (it then fails).
using Progress = std::function<bool(uint32_t done)>;

// What went wrong, and where (the first flash address concerned).
struct Failure {
    enum class Step { None, Read, Write, ReadBack, Differs, Erase, Stopped };
    Step step = Step::None;
    uint32_t address = 0;
    uint8_t wrote = 0; // Differs: the byte written and the byte read back
    uint8_t read = 0;
    explicit operator bool() const { return step != Step::None; }
};

// Reads length bytes at address into out.
Failure read(Device& device, uint32_t address, uint32_t length, std::vector<uint8_t>& out,
             const Progress& progress = {}, Side side = Side::Master);
// Writes the bytes at address (into erased flash) and reads them back.
Failure writeVerified(Device& device, uint32_t address, const uint8_t* data, uint32_t length,
                      const Progress& progress = {}, Side side = Side::Master);
// Erases count 4 KB sectors from the sector at address.
Failure eraseSectors(Device& device, uint32_t address, uint32_t count,
                     const Progress& progress = {}, Side side = Side::Master);

} // namespace flash_area
