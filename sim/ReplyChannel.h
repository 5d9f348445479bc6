#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace sim {

// The frame's side of the reply reports. An answer waits for its busy polls, then goes
// out 61 data bytes per report; once it has been read completely, every further poll
// returns its last report again, as the frame's firmware does.
class ReplyChannel {
public:
    static constexpr size_t kReportSize = 64;
    static constexpr uint8_t kReportId = 0x06;
    static constexpr size_t kDataPerReport = 61;
    // Echo while busy or idle: above 0x3F, so it never matches a command's echo.
    static constexpr uint8_t kBusyEcho = 0xFF;
    static constexpr int kForever = -1;

    ReplyChannel() { reset(); }

    // Replaces whatever was pending. busyPolls kForever: the answer never comes.
    void answer(uint8_t echo, uint8_t status, std::vector<uint8_t> data, int busyPolls);
    // Nothing answered yet (power-up).
    void reset();
    // The report the next poll reads (kReportSize bytes).
    void nextReport(uint8_t* report);
    // The last answer has been read completely (or there is none).
    bool answered() const { return !pending_; }

private:
    size_t reportCount() const;
    void fill(size_t index, uint8_t* report) const;

    uint8_t echo_ = kBusyEcho;
    uint8_t status_ = 0;
    std::vector<uint8_t> data_;
    int busy_ = 0;
    size_t next_ = 0;
    bool pending_ = false;
    std::array<uint8_t, kReportSize> last_{};
};

} // namespace sim
