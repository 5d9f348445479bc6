#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

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
