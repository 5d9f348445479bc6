#pragma once

#include "device/Device.h"
#include "imaging/LevelingConfig.h"
#include "imaging/LineImages.h"
#include "imaging/StepGuard.h"

#include <cstdint>

// What a column search found: the columns of both cameras (a column the search could
// not find keeps the value it had) and, in pen mode, a side judged unqualified.
// `found` is set once the search got as far as computing the columns.
struct ColumnResult {
    bool found = false;
    uint16_t leftStart = 0;
    uint16_t leftEnd = 0;
    uint16_t rightStart = 0;
    uint16_t rightEnd = 0;
    bool leftQualified = true;
    bool rightQualified = true;

    // The values the process holds now (Left_Start .. Right_End, leftQualified, ...).
    static ColumnResult current();
    // Stores the result in those values and in the working end columns.
    void store() const;
};

// The column searches of image-adjusting: pictures of the right edge taken with each
// module's emitters switched off and on in turns tell where each camera's bezel ends.
// The search starts from and updates a ColumnResult; the caller stores it.
class ColumnSearch {
public:
    ColumnSearch(Device& device, GuardedSteps& steps, const LevelingConfig& config);

    // The normal search (InfraredPenMode 0): register phases with read-back checks, five
    // captures per phase, end columns by difference (SensorType 0) or projection.
    bool runNormal(ColumnResult& result);
    // The pen-mode search: one capture per phase, end columns from the 8-line sums.
    bool runPenMode(ColumnResult& result);

private:
    struct Emitters {
        uint8_t master36 = 0;
        uint8_t master37 = 0;
        uint8_t slave36 = 0;
        uint8_t slave37 = 0;
    };
    // Which module has its emitters lit during a phase.
    enum class Lit { Right, Left };
    // What both cameras saw during one phase.
    struct PhaseSamples {
        EdgeSample left{};
        EdgeSample right{};
    };

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
    // One phase of either search: its own start (emitters, trigger, capture), then both
    // cameras' samples. A failed start puts the kept emitters back.
    template <typename Start>
    bool takePhase(Lit lit, const Emitters& kept, Start start, PhaseSamples& out);

    Device& device_;
    GuardedSteps& steps_;
    const LevelingConfig& config_;
};
