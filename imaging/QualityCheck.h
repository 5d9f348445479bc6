#pragma once

#include "imaging/LineImages.h"
#include "imaging/OpticalParams.h"

#include <array>
#include <cstddef>
#include <cstdint>

// Judging a camera's picture: along the optimum lines the bezel must be bright, with no
// dark run of 10 columns or more between column 100 and the end column.
namespace quality_check {

constexpr int kDarkLevel = 384;        // three rows summed below this: a dark column
constexpr int kLongestAcceptedRun = 9; // 10 dark columns in a row fail
constexpr uint32_t kFirstColumn = 100;

using ColumnProfile = std::array<int, frame_geometry::kLineWidth>;

// Per column, the sum of rows L, L+1 and L+2 of the frame (7040 bytes) where L is the
// line of the segment covering the column; 0 where no segment does. Segments whose rows
// or columns leave the frame are skipped.
ColumnProfile columnProfile(const uint8_t* frame, const OptimumLineTable& table);

// The dark-run check over columns 100 .. endColumn-1, with its log lines (the profile as
// 20 rows of 32, then each dark column). True when the picture passes.
bool passesDarkRunCheck(const ColumnProfile& profile, uint32_t endColumn);

} // namespace quality_check
