#pragma once

#include "device/FlashBlocks.h"
#include "device/SensorAngleTables.h"

#include <array>
#include <cstddef>
#include <cstdint>

// A screen point as the record stores it.
struct Point16 {
    int16_t x = 0;
    int16_t y = 0;
    bool operator==(const Point16&) const = default;
};

// One camera of the calibration record.
struct CameraRecord {
    Point16 Po_l4;           // camera position in (x * R, y) screen pixels, times 16
    int32_t L_A = 0;         // position shift in half-pixel steps
    int32_t L_Angle_fix = 0; // angle offset, degrees * 1024
    bool operator==(const CameraRecord&) const = default;
};

// The calibration record gClbInfo (gFastClbInfo after a fast run) as it lies in the
// sensor information block: 412 little-endian bytes.
struct CalibrationRecord {
    static constexpr size_t kSize = 412;
    static constexpr int kMaps = 10;
    static constexpr int kCoefficients = 8;
    static constexpr int kCellMaps = 9;  // X[0..8]: the cells of the 16-point grid
    static constexpr int kScreenMap = 9; // X[9]: the whole screen, from a fast run
    static constexpr double kMapScale = 1048576.0;
    static constexpr double kFixScale = 1024.0;

    using Map = std::array<int32_t, kCoefficients>;
    using Bytes = std::array<uint8_t, kSize>;

    CameraRecord LCam;
    CameraRecord RCam;
    std::array<Map, kMaps> X{};
    std::array<Point16, 16> EvalPt{};
    int32_t r_fix = 0; // x-scale R * 1024

    Bytes encode() const;
    static CalibrationRecord decode(const uint8_t* bytes);
    bool operator==(const CalibrationRecord&) const = default;
};

// Where the calibration owns bytes of the 1546-byte sensor information block.
namespace sensor_info {
constexpr size_t kRecord = 136;
constexpr size_t kWidth = 548;
constexpr size_t kHeight = 550;
constexpr size_t kKeyArea = 964;
constexpr size_t kKeyAreaSize = 388;
constexpr size_t kAngleTable = 1352;
} // namespace sensor_info

// The block carries the validity flag "FIWF".
bool hasSensorInfoFlag(const SensorBlock& block);
// Puts the flag, the record, the desktop size and the angle table into a copy of the
// block; every other byte stays as it was read.
void putCalibration(SensorBlock& block, const CalibrationRecord& record, uint16_t width,
                    uint16_t height, const angle_table::Table& table);
CalibrationRecord recordOf(const SensorBlock& block);
uint16_t widthOf(const SensorBlock& block);
uint16_t heightOf(const SensorBlock& block);
