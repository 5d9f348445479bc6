#pragma once

#include <array>
#include <cstdint>

// Fixed areas of the frame's flash (24-bit byte addresses) and their records.
namespace flash_map {

constexpr uint32_t kFlashSize = 0x20000; // 128 KB
constexpr uint32_t kSectorSize = 0x1000; // 4 KB

// The FPGA code (configuration) of the camera modules: the first 16 sectors, below the
// image descriptor. An FPGA download writes its file here from the first byte on.
constexpr uint32_t kFpgaCode = 0x000000;
constexpr uint32_t kFpgaCodeSize = 0x010000; // 64 KB

constexpr uint32_t kImageDescriptor = 0x010000; // "AGPF" image descriptor (HInfo)
constexpr uint32_t kImageDescriptorSize = 38;
constexpr uint32_t kImageDescriptorRead = 60;

constexpr uint32_t kSensorBlock = 0x011000; // sensor / calibration information block
constexpr uint32_t kSensorBlockSize = 1546;
constexpr uint32_t SENSORInfoFlag = 0x46574946; // "FIWF"
constexpr uint8_t kSensorBlockSectors = 2;

constexpr uint32_t kVersionBlock = 0x013000; // image version u32, boot loader version u32
constexpr uint32_t kVersionBlockSize = 8;

constexpr uint32_t kConfigRecord = 0x018000; // algorithm configuration record
constexpr uint32_t kConfigRecordSize = 31;
constexpr uint32_t ALGConfigInfoFlag = 0x41434946; // "FICA"

constexpr uint32_t kKeyCodeTable = 0x019000;

constexpr uint32_t kDeviceInfo = 0x01F000; // device information record
constexpr uint32_t kDeviceInfoSize = 132;
constexpr uint32_t kDeviceInfoMagic = 0x44455649; // "IVED"

// Address words of the records as the workflows name them (flash space, Master).
constexpr uint32_t kSensorBlockWord = 0x02011000;
constexpr uint32_t kConfigRecordWord = 0x02018000;
constexpr uint32_t kConfigRecordSlaveWord = 0x12018000;

} // namespace flash_map

// The fixed records as they lie in the flash.
using SensorBlock = std::array<uint8_t, flash_map::kSensorBlockSize>;
using ConfigRecordBytes = std::array<uint8_t, flash_map::kConfigRecordSize>;
