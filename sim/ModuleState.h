#pragma once

#include "sim/DownloadStream.h"
#include "sim/FactoryValues.h"
#include "sim/ModuleRegisters.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace sim {

// Everything one camera module holds while the frame runs: its registers, the optical
// settings it works with, its two image memories and its download streams. The
// command handlers change it; an optical model can later fill the image memories.
struct ModuleState {
    static constexpr size_t kLineWidth = 640;
    static constexpr size_t kImageLines = 11;
    static constexpr size_t kImageMemorySize = kLineWidth * kImageLines;
    static constexpr int kFirstMemory = 0;
    static constexpr int kSecondMemory = 1;

    explicit ModuleState(const FactoryValues& factory);

    // Back to the state after power-up, working with the given optical settings.
    void powerOn(const ModuleOptics& settings);
    // The picture the sensor takes when a capture starts: for now an evenly dim one.
    void takePicture();

    uint8_t dimLevel;
    ModuleRegisters registers;
    ModuleOptics optics;
    std::array<std::vector<uint8_t>, 2> imageMemory;
    int captures = 0;
    DownloadStream streamA;
    DownloadStream streamB;
};

} // namespace sim
