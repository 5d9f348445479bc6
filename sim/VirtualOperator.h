#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <random>

namespace sim {

// A point on the screen (or on the bezel around it) in screen pixels.
struct ScreenPoint {
    double x = 0;
    double y = 0;
};

// How the virtual operator behaves. Counts are in touch-candidate reports.
struct OperatorSettings {
    bool present = false;     // nobody touches anything while false
    double aimError = 0.0;    // the finger lands within this many pixels of the target
    int firstTouchDelay = 70; // after a run starts (trigger): watch the warm-up, then touch
    int reactionReports = 3;  // between a new target and the touch
    int holdReports = 2000;   // a touch that no new target ends is lifted and tried again
    // Lifts the finger as soon as a query for the touched target says the touch was
    // taken (release flag 255), as someone does who watches the prompt move on, and
    // touches that target again only when asked with the flag clear.
    bool liftOnRelease = false;
};

// Someone in front of the frame: when a query names a target, touches it (after a
// moment, with the configured aim error), holds it while the queries name it, and lifts
// the finger when they name another one.
class VirtualOperator {
public:
    // What names a target: the query without its release flag.
    using TargetKey = std::array<uint8_t, 6>;

    void setSettings(const OperatorSettings& settings);
    const OperatorSettings& settings() const { return settings_; }

    // One report: where the finger is now. aim: the point the query names (nothing when
    // it names none). triggers: a new count means a new run. released: the query's
    // release flag says the touch was taken.
    std::optional<ScreenPoint> step(const TargetKey& target, const std::optional<ScreenPoint>& aim,
                                    int triggers, bool released, std::mt19937& random);

private:
    OperatorSettings settings_;
    int triggersSeen_ = -1;
    bool firstOfRun_ = true;
    std::optional<TargetKey> target_;
    int wait_ = 0;
    int held_ = 0;
    bool lifted_ = false; // lifted on a release, for the target named now
    std::optional<ScreenPoint> touch_;
};

} // namespace sim
