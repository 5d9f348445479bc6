#pragma once

#include "device/CommandCodes.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace sim {

// One stretch of sensor columns and the row of the line window that sees the bezel there.
struct OptimumSegment {
    uint16_t line = 0;
    uint16_t startColumn = 0;
    uint16_t endColumn = 0; // one past the last column
};

constexpr int kOptimumSegments = 8;
using OptimumLineTable = std::array<OptimumSegment, kOptimumSegments>;

// Where one camera module sees the lit bezel: what its line searches find and what a
// leveled frame keeps in its sensor information block.
struct ModuleOptics {
    uint16_t startLine = 0;
    uint8_t exposureTime = 0;
    uint8_t exposureGain = 0;
    uint16_t startColumn = 0;
    uint16_t endColumn = 0;
    OptimumLineTable optimumLines{};
};

// Everything a frame leaves the factory with. Changing a value here changes every
// virtual frame made afterwards (and every flash file created afterwards).
struct FactoryValues {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    // Version words: major byte, minor byte, 16-bit build number.
    uint32_t imageVersion = 0;
    uint32_t bootLoaderVersion = 0;
    uint32_t partAVersion = 0;
    std::array<ModuleOptics, 2> optics{}; // Master, Slave
    uint8_t sensorChipId = 0;
    uint8_t dimPixelLevel = 0; // grey level of the unlit parts of the sensor pictures

    const ModuleOptics& of(Side side) const { return optics[static_cast<size_t>(side)]; }
};

const FactoryValues& factoryValues();

constexpr uint32_t versionWord(uint8_t major, uint8_t minor, uint16_t build)
{
    return (static_cast<uint32_t>(major) << 24) | (static_cast<uint32_t>(minor) << 16) | build;
}

} // namespace sim
