#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace sim {

enum class FlashWriteFault {
    None,
    Refuse,  // the write is answered with status 0xFF and changes nothing
    Corrupt, // the write is answered "done" but one byte stays unprogrammed
};

// What happens to one request chosen by its place in the session (the fault matrix).
enum class RequestFault {
    Unplug,      // the frame drops off the bus as the request arrives; it is not carried out
    Refuse,      // answered with status 0xFF, not carried out
    OtherStatus, // answered with a status that is neither done nor refused, not carried out
    NeverAnswer, // the frame hangs in it: never answered, not carried out
    Garble,      // carried out, but the reply echoes another command
};

// How the frame misbehaves, and how long it takes to answer. Commands are named by
// their code without flag bits (the command byte & 0x3F, the code the reply echoes),
// so a rule for 0x2F covers every packet of download stream A.
class FaultPlan {
public:
    static constexpr int kAlways = -1;
    static constexpr int kNeverAnswers = -1; // busyPolls() of a command that hangs

    // Busy polls before an answer: for every command, and per command (overrides).
    void setBusyPolls(int polls);
    void setBusyPolls(uint8_t code, int polls);
    void clearBusyPolls(uint8_t code);
    void neverAnswer(uint8_t code, bool never = true);
    int busyPolls(uint8_t code) const;

    // After `after` requests with this code that are carried out normally, the next
    // `times` (kAlways: all) are answered with status instead of being carried out.
    void answerWithStatus(uint8_t code, uint8_t status, int times = kAlways, int after = 0);
    void refuse(uint8_t code, int times = kAlways, int after = 0)
    {
        answerWithStatus(code, 0xFF, times, after);
    }
    // The status override for a request that just arrived, used up by the call.
    std::optional<uint8_t> takeStatusOverride(uint8_t code);

    // The frame drops off the bus right after the n-th request with this code.
    void unplugAfterRequests(uint8_t code, int n) { unplugRule_ = {code, n}; }
    // Counts a request that was carried out; true when it is the one to unplug after.
    bool takeUnplugTrigger(uint8_t code);

    void failSetFeatures(int count) { setFeatureFailures_ = count; }
    void failGetFeatures(int count) { getFeatureFailures_ = count; }
    bool takeSetFeatureFailure() { return take(setFeatureFailures_); }
    bool takeGetFeatureFailure() { return take(getFeatureFailures_); }

    // The next `times` flash writes (kAlways: all) fail the given way. A corrupting fault
    // is used up only by a write that it could corrupt (one that programs some bit).
    void failFlashWrites(FlashWriteFault fault, int times = kAlways);
    FlashWriteFault flashWriteFault() const;
    void flashWriteFaultUsed() { take(flashWriteFaults_); }

    // The n-th request from now on (1 is the next one, any command) meets fault.
    void faultAtRequest(int n, RequestFault fault)
    {
        requestFault_ = fault;
        requestsToFault_ = n;
    }
    // Counts a request that arrived; the fault when it is the chosen one.
    std::optional<RequestFault> takeRequestFault()
    {
        if (requestsToFault_ <= 0 || --requestsToFault_ > 0)
            return std::nullopt;
        return requestFault_;
    }

    // Everything back to a well-behaved frame answering at the first poll.
    void clear() { *this = FaultPlan{}; }

private:
    static constexpr int kCodes = 64;
    static uint8_t index(uint8_t code) { return code & 0x3F; }
    // Counts down a limited fault; kAlways never runs out.
    static bool take(int& remaining);

    int busyPolls_ = 0;
    std::array<std::optional<int>, kCodes> busyOverride_{};
    std::array<bool, kCodes> never_{};
    struct StatusRule {
        uint8_t status = 0;
        int remaining = 0;
        int skip = 0;
    };
    struct UnplugRule {
        uint8_t code = 0;
        int remaining = 0;
    };
    UnplugRule unplugRule_;
    std::array<StatusRule, kCodes> statusRules_{};
    int setFeatureFailures_ = 0;
    RequestFault requestFault_ = RequestFault::Refuse;
    int requestsToFault_ = 0;
    int getFeatureFailures_ = 0;
    FlashWriteFault flashFault_ = FlashWriteFault::None;
    int flashWriteFaults_ = 0;
};

} // namespace sim
