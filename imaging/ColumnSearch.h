#pragma once

#include "Device.h"
#include "LevelingConfig.h"
#include "LineImages.h"
#include "StepGuard.h"

#include <cstdint>

// The column searches of image-adjusting: pictures of the right edge taken with each
// module's emitters switched off and on in turns tell where each camera's bezel ends.
// Results go to Left_Start/Left_End/Right_Start/Right_End and the working end columns.
class ColumnSearch {
public:
    ColumnSearch(Device& device, GuardedSteps& steps, const LevelingConfig& config);

    // The normal search (InfraredPenMode 0): register phases with read-back checks, five
    // captures per phase, end columns by difference (SensorType 0) or projection.
    bool runNormal();
    // The pen-mode search: one capture per phase, end columns from the 8-line sums.
    bool runPenMode();

private:
    struct Emitters {
        uint8_t master36 = 0;
        uint8_t master37 = 0;
        uint8_t slave36 = 0;
        uint8_t slave37 = 0;
    };
    // Which module has its emitters lit during a phase.
    enum class Lit { Right, Left };

    bool readEmitters(Emitters& kept);
    bool writeEmitters(const Emitters& values);
    // Write, read back, compare; a mismatch logs failLine with the byte read.
    bool writeChecked(Side side, uint16_t reg, uint8_t value, const char* failLine);
    bool expectRegister(Side side, uint16_t reg, uint8_t expected, const char* failLine);
    bool switchPhaseChecked(Lit lit);
    bool captureCycles(Lit lit);
    bool capture(Side side, const char* failLine);
    bool trigger();
    void sample(Side side, EdgeSample& out);
    // Puts the kept emitter values back after a failed search, as far as the frame lets.
    void restoreAfterFailure(const Emitters& kept);
    void endColumnsByDifference(const EdgeSample& leftA, const EdgeSample& rightB,
                                const EdgeSample& leftB, const EdgeSample& rightA);
    void endColumnsByProjection(const EdgeSample& leftA, const EdgeSample& rightB);
    void takeEndColumns();

    Device& device_;
    GuardedSteps& steps_;
    const LevelingConfig& config_;
};
