#pragma once

#include "imaging/LineImages.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

// Reading the right-edge samples (columns 540..639 of lines 0..7) of the column search.
namespace edge_analysis {

constexpr size_t kColumns = frame_geometry::kEdgeColumns;
constexpr uint16_t kFirstColumn = frame_geometry::kEdgeFirstColumn; // 540
constexpr int kDifferenceThreshold = 37;   // lit minus dark below this: the bezel has ended
constexpr int kProjectionThreshold = 1760; // 8-line sum above this: the opposite lamps
constexpr int kPenThreshold = 320;         // 8-line sum above this in pen mode
constexpr uint16_t kPenFirstColumn = 538;  // pen mode counts from two columns earlier
constexpr uint16_t kPenSmallestEnd = 560;
constexpr size_t kReferenceLine = 3; // the fourth line: a line away from the band

using EdgeLine = std::array<uint8_t, kColumns>;
using Projection = std::array<int, kColumns>;

EdgeLine lineOf(const EdgeSample& sample, size_t line);
// The line with the largest sum of its 100 bytes; equal sums go to the lower line.
size_t brightestLine(const EdgeSample& sample);
// Per column, the sum over the 8 lines.
Projection projection(const EdgeSample& sample);

// Difference method: the first column where lit - dark (signed) is below 37.
std::optional<size_t> firstDarkColumn(const EdgeLine& lit, const EdgeLine& dark);
// The first column whose sum is above the threshold.
std::optional<size_t> firstColumnAbove(const Projection& sums, int threshold);

} // namespace edge_analysis
