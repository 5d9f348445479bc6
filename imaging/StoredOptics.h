#pragma once

#include "device/Device.h"
#include "device/FlashBlocks.h"
#include "imaging/OpticalParams.h"

#include <array>
#include <cstddef>
#include <cstdint>

// The optical fields of the sensor information block (bytes 4..135), little-endian.
namespace stored_optics {
constexpr size_t kMasterStartLine = 4;
constexpr size_t kMasterExposure = 6; // high byte gain, low byte time
constexpr size_t kSlaveStartLine = 8;
constexpr size_t kSlaveExposure = 10;
constexpr size_t kLeftStartColumn = 12;
constexpr size_t kLeftEndColumn = 14;
constexpr size_t kMasterOptimumLines = 26;
constexpr size_t kFirstSegmentStart = 28; // start column of the first Master segment
constexpr size_t kRightStartColumn = 74;
constexpr size_t kRightEndColumn = 76;
constexpr size_t kSlaveOptimumLines = 88;
// A first segment starting beyond this column means the block holds no tables.
constexpr uint16_t kLargestTableStart = 255;

constexpr uint32_t kDefaultStartLine = 236;
constexpr uint32_t kDefaultEndColumn = 639;
} // namespace stored_optics

// The modules' end columns as the frame keeps them in its sensor information block,
// Master then Slave; 639 for a side whose stored column is not above `above` (or when
// the block holds none).
std::array<uint16_t, 2> storedEndColumns(Device& device, uint16_t above);

// Both sides back to the working defaults: start lines 236, columns 0..639.
void setDefaultOptics();

// The stored tables are absent (erased or never written).
bool storedTablesAbsent(const SensorBlock& block);

struct StoredOpticsRules {
    bool loadExposure = true; // take the exposure bytes from the block
    bool checkTables = true;  // leave columns and tables alone when the tables are absent
};
// One side's stored start line and exposure bytes (columns and tables are not read).
OpticalValues storedStartAndExposure(const SensorBlock& block, Side side);

// Start lines, and by the rules the exposure bytes, the columns and both optimum-line
// tables, from a sensor information block into the working optical values. When the
// tables are absent both tables are zeroed.
void loadStoredOptics(const SensorBlock& block, const StoredOpticsRules& rules);
