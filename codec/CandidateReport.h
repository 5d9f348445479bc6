#pragma once

#include <array>
#include <cstddef>
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

// The answer of the touch-candidate query as it comes from the frame (61 bytes: the
// left count, five left entries of 5 bytes, the right count, five right entries). The
// layout is the frame's; the virtual frame encodes its answers with it.
constexpr size_t kCandidateReportSize = 61;
void decodeCandidateReport(const uint8_t* reply, CandidateReport& report);
void encodeCandidateReport(const CandidateReport& report, uint8_t* reply);
