#pragma once

#include "device/Device.h"

#include <array>
#include <cstdint>

// One shadow seen by one camera.
struct TouchCandidate {
    uint16_t position = 0;  // sensor column of the shadow centre
    uint16_t halfWidth = 0; // the shadow covers position - halfWidth .. position + halfWidth
    uint16_t depth = 0;     // 0..255
    uint8_t valid = 0;      // 1 while the candidate is in play
    uint8_t spare = 0;
};

// One answer of the touch-candidate query: per side the count as reported (consumers
// treat a count above five as five) and five candidate slots.
struct CandidateReport {
    static constexpr int kSlots = 5;
    uint8_t leftCount = 0;
    uint8_t rightCount = 0;
    std::array<TouchCandidate, kSlots> left{};
    std::array<TouchCandidate, kSlots> right{};

    int leftUsed() const { return leftCount < kSlots ? leftCount : kSlots; }
    int rightUsed() const { return rightCount < kSlots ? rightCount : kSlots; }
};

// GetTouchPoints results
enum TouchQueryResult { kNoCandidates = 0, kOneSide = 1, kBothSides = 2, kQueryFailed = 3 };
// Side status left by GetTouchPoints
enum TouchSideStatus { kSidesBoth = 1, kSidesLeftEmpty = 2, kSidesRightEmpty = 3, kSidesNone = 4 };

// Sends the 7-byte query and decodes the 61-byte answer. Both candidate lists are
// cleared first. A failure that lost the frame clears the device flags.
int GetTouchPoints(Device& device,
                   const std::array<uint8_t, FrameCommands::kTouchPointsRequest>& request,
                   CandidateReport& report, int& sideStatus);

// The answer's layout, also used by the virtual frame.
void decodeCandidateReport(const uint8_t* reply, CandidateReport& report);
void encodeCandidateReport(const CandidateReport& report, uint8_t* reply);
