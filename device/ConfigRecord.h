#pragma once

#include "device/Device.h"
#include "device/FlashBlocks.h"

#include <cstdint>
#include <optional>

// The frame's algorithm configuration record (31 bytes at 0x018000): the user settings
// the touch algorithm reads. A record without ALGConfigInfoFlag counts as absent.
struct ConfigRecord {
    uint32_t ALGConfigInfoFlag = flash_map::ALGConfigInfoFlag;
    uint8_t screenSize = 0;
    uint8_t smoothness = 0;
    uint8_t TouchEnable = 1;
    uint8_t ScreenDirection = 0;
    uint8_t reserved = 0;
    uint8_t FiveCalibEn = 0;
    uint8_t fourPointCalibEn = 0;
    uint8_t CalibWay = 1;
    uint8_t CalibCnt = 8;
    uint8_t InfraredExpTime = 144;
    uint8_t InfraredExpGain = 4;
    uint8_t InfraredPenMode = 0;
    uint8_t TouchType = 1;
    uint8_t XPRightClickMode = 0;
    uint32_t TouchRightClickDistThres = 10;
    uint32_t TouchRightClickTimeThres = 240;
    uint32_t TouchRightClickIncFrameThres = 6;
    uint8_t SensorType = 0;

    bool valid() const { return ALGConfigInfoFlag == flash_map::ALGConfigInfoFlag; }

    ConfigRecordBytes encode() const;
    static ConfigRecord decode(const ConfigRecordBytes& bytes);
    bool operator==(const ConfigRecord&) const = default;
};

// Exposure scale 1..6 <-> pen exposure time 112, 128, .. 192 (96 + 16 x scale).
uint8_t exposureTimeForScale(int scale);
std::optional<int> exposureScaleForTime(uint8_t time);

// One read of the record through the block read (Master, or the Slave address word).
int ReadConfigRecord(Device& device, ConfigRecord& record, Side side = Side::Master);
// Erases the record's sector, then writes it flag last. The Slave address word reaches
// the same flash (flash commands carry only the byte address).
int WriteConfigRecord(Device& device, const ConfigRecord& record, Side side = Side::Master);
// The SensorType of the frame's record: picks the angle table. 0 when the record cannot
// be read or has no flag.
int storedSensorType(Device& device);
// Makes sure a valid record exists: a valid one is only logged (never rewritten);
// otherwise the defaults are written and read back. 0 when a transfer failed.
int EnsureConfigRecord(Device& device);
