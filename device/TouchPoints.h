#pragma once

#include "codec/CandidateReport.h"
#include "device/Device.h"

#include <array>
#include <cstdint>

// GetTouchPoints results
enum TouchQueryResult { kNoCandidates = 0, kOneSide = 1, kBothSides = 2, kQueryFailed = 3 };
// Side status left by GetTouchPoints
enum TouchSideStatus { kSidesBoth = 1, kSidesLeftEmpty = 2, kSidesRightEmpty = 3, kSidesNone = 4 };

// Sends the 7-byte query and decodes the 61-byte answer. Both candidate lists are
// cleared first. A failure that lost the frame clears the device flags.
int GetTouchPoints(Device& device,
                   const std::array<uint8_t, FrameCommands::kTouchPointsRequest>& request,
                   CandidateReport& report, int& sideStatus);
