#pragma once

#include "calibration/CaptureSteps.h"
#include "device/Device.h"

#include <array>
#include <atomic>
#include <functional>

// What the find-column window draws from; its worker writes it.
struct FindColumnState {
    static constexpr int kBothDone = 2;
    // The corner being collected: 0 bottom-left, 1 bottom-right, 2 both done.
    std::atomic<int> target{0};
    // Reports of the current touch so far (a touch is being collected while above 0).
    std::atomic<int> steadyCount{0};
    // Both corners were taken; the tables are being asked for or were received.
    std::atomic<int> bothDone{0};
};

// Axis-adjusting: the operator touches the bottom-left and the bottom-right corner of the
// touch area; the shadow the left camera reports for the first and the right camera for
// the second give the cameras' start columns (Left_Start, Right_Start). With those and
// the end columns of the search (Left_End, Right_End) the frame is asked for new
// optimum-line tables. The worker (FindColumnThread) and vireto-cli run it; it talks
// through report() with FindColumnCode values.
class FindColumnRun {
public:
    enum FindColumnCode {
        kProgress = 0,    // something to redraw; the probe was answered
        kProbeFailed = 1, // the frame did not answer the probe
        kFailed = 2,      // a touch query or an optimum-line request failed
        kDone = 3,        // both start columns found and both tables received
    };
    struct Target {
        int x = 0;
        int y = 0;
    };
    struct Hooks {
        std::function<void(int code)> report = [](int) {};
        std::function<void(double ms)> wait = [](double) {};
        std::function<bool()> stopRequested = [] { return false; };
    };

    static constexpr int kCornerInset = 5;         // pixels inside the screen's corner
    static constexpr uint16_t kDefaultStart = 100; // no shadow near the start: column 100
    static constexpr uint16_t kNearStart = 200; // shadows beyond this position are not the corner
    static constexpr uint16_t kLargestStart = 100; // start columns sent for the tables
    static constexpr uint16_t kSmallestEnd = 560;  // end columns sent for the tables

    // The two corners of a w x h screen, bottom-left first.
    static std::array<Target, 2> targetsFor(int width, int height);
    // The start column a side's consolidated candidates give: the candidate nearest to
    // position 200 from below decides, (position - halfWidth) / 2 + 1 (a shadow reaching
    // past the sensor's start gives 0; a result of exactly 1 is the position itself); 100
    // when no candidate lies at or below 200.
    static uint16_t startColumnOf(const touch_extraction::SideCandidates& side);

    FindColumnRun(Device& device, FindColumnState& state, int width, int height, Hooks hooks);

    // The whole run: probe, both corners, the tables. Reports as it goes; the last code
    // says how it ended (none when it was stopped or the frame was lost).
    void run();

    // The table step alone: OptimalizeLine for both sides with the start columns capped
    // at 100 and the end columns raised to 560; the working columns take those values.
    bool requestTables();

private:
    bool probe();
    // One query for the current corner; false when the query failed (reported).
    bool collectCycle(int t);
    void takeCorner(int t);
    bool waitForRelease(int t);
    int query(int t, uint8_t releaseFlag, CandidateReport& report);
    bool stopped() const { return hooks_.stopRequested(); }

    Device& device_;
    FindColumnState& state_;
    std::array<Target, 2> targets_;
    Hooks hooks_;
    capture::SteadyTouch steady_;
};
