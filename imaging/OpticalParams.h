#pragma once

#include "device/CommandCodes.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>

// One stretch of sensor columns and the row of the line window used there.
struct OptimumLineSegment {
    uint16_t line = 0;
    uint16_t startColumn = 0;
    uint16_t endColumn = 0; // one past the last column; start >= end covers nothing
    bool operator==(const OptimumLineSegment&) const = default;
};

constexpr size_t kOptimumSegments = 8;
constexpr size_t kOptimumTableBytes = 6 * kOptimumSegments; // 48
using OptimumLineTable = std::array<OptimumLineSegment, kOptimumSegments>;

// 8 segments of three little-endian u16 (line, start column, end column).
OptimumLineTable decodeOptimumLines(const uint8_t* bytes);
void encodeOptimumLines(const OptimumLineTable& table, uint8_t* bytes);

// A copy of one side's optical values, for showing and printing.
struct OpticalValues {
    uint32_t startLine = 0;
    uint32_t startColumn = 0;
    uint32_t endColumn = 0;
    uint8_t exposureGain = 0;
    uint8_t exposureTime = 0;
    OptimumLineTable optimumLines{};
};

// The optical values one camera works with. The imaging worker writes them; the
// window reads them after the worker's report. At program start everything but the
// table holds 255.
class OpticalParams {
public:
    static constexpr uint32_t kUnset = 255;

    std::atomic<uint32_t> startLine{kUnset};
    std::atomic<uint32_t> startColumn{kUnset};
    std::atomic<uint32_t> endColumn{kUnset};
    std::atomic<uint8_t> exposureGain{kUnset};
    std::atomic<uint8_t> exposureTime{kUnset};

    OptimumLineTable optimumLines() const;
    void setOptimumLines(const OptimumLineTable& table);
    OpticalValues values() const;

private:
    mutable std::mutex tableMutex_;
    OptimumLineTable table_{};
};

// Master (left) and Slave (right).
OpticalParams& opticalParams(Side side);
// The start lines by their process-wide names.
extern std::atomic<uint32_t>& g_StartLineM;
extern std::atomic<uint32_t>& g_StartLineS;
