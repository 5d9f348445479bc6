#pragma once

#include "device/FlashMap.h"
#include "sim/FactoryValues.h"

#include <array>
#include <cstdint>
#include <vector>

namespace sim {

using FlashImage = std::vector<uint8_t>; // always flash_map::kFlashSize bytes

// A frame as it leaves the factory: firmware areas, a leveled sensor information block
// and a default configuration record; no device information, no key table.
FlashImage factoryFlashImage(const FactoryValues& values = factoryValues());
// A frame that has firmware but was never leveled or configured.
FlashImage blankFlashImage(const FactoryValues& values = factoryValues());

// The records inside those images, as the tool reads them.
std::array<uint8_t, flash_map::kImageDescriptorSize> imageDescriptor(const FactoryValues& values);
std::array<uint8_t, flash_map::kVersionBlockSize> versionBlock(const FactoryValues& values);
std::array<uint8_t, flash_map::kSensorBlockSize> sensorBlock(const FactoryValues& values);
std::array<uint8_t, flash_map::kConfigRecordSize> defaultConfigRecord();

// Offsets of the optical fields inside the sensor information block.
namespace sensor_block {
constexpr size_t kFlag = 0;
constexpr size_t kMasterStartLine = 4;
constexpr size_t kMasterExposure = 6; // high byte gain, low byte time
constexpr size_t kSlaveStartLine = 8;
constexpr size_t kSlaveExposure = 10;
constexpr size_t kLeftStartColumn = 12;
constexpr size_t kLeftEndColumn = 14;
constexpr size_t kMasterOptimumLines = 26;
constexpr size_t kRightStartColumn = 74;
constexpr size_t kRightEndColumn = 76;
constexpr size_t kSlaveOptimumLines = 88;
constexpr size_t kSegmentSize = 6;
} // namespace sensor_block

// The optical fields of a sensor information block (bytes 4..135), both directions.
void writeOptics(const ModuleOptics& master, const ModuleOptics& slave, uint8_t* block);
ModuleOptics readOptics(const uint8_t* block, Side side);

} // namespace sim
