#pragma once

#include "device/FlashMap.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sim {

// One firmware download stream of a module: packets flagged "first" start a transfer,
// packets flagged "last" end it (a packet with only the last flag is a whole transfer).
// A packet carries no length of its own, so every packet adds its full payload; the
// image header tells the receiver how much of it counts.
class DownloadStream {
public:
    static constexpr uint8_t kFirst = 0x80;
    static constexpr uint8_t kLast = 0x40;
    // Nothing larger than the flash can be stored, so a longer transfer is refused.
    static constexpr size_t kCapacity = flash_map::kFlashSize;

    // False (nothing kept) for a middle packet outside a transfer or a transfer that
    // would outgrow the capacity.
    bool receive(uint8_t flags, const uint8_t* data, size_t length);
    void reset();
    // A restart: a transfer in progress is lost, the last completed one stays stored.
    void interrupt();

    const std::vector<uint8_t>& bytes() const { return bytes_; }
    bool receiving() const { return receiving_; }
    int completedTransfers() const { return completed_; }

private:
    std::vector<uint8_t> bytes_;
    std::vector<uint8_t> stored_; // the last completed transfer
    bool receiving_ = false;
    int completed_ = 0;
};

} // namespace sim
