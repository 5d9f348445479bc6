#pragma once

#include "device/CommandCodes.h"
#include "sim/FactoryValues.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <random>
#include <vector>

namespace sim {

struct FrameState;

// Where one camera module sees the lit bezel. The sensor's line window (11 rows of 640
// columns) starts at the row the module was configured with; the bezel is a bright band
// about three rows high that tilts slowly across the columns and stops at endColumn,
// where the opposite corner of the frame is.
struct BezelTruth {
    uint16_t startLine = 0; // sensor row at which the line window shows the band
    double bandTop = 0;     // window row of the band's upper edge at column 0
    double tilt = 0;        // rows the band moves per column
    uint16_t endColumn = 0; // the band is lit on the columns below this one
    double brightness = 0;  // grey levels the fully lit band adds at column 0
    double fade = 0;        // brightness lost per column towards the far corner
};

// The frame's bezel as the factory builds it (Master, Slave).
const BezelTruth& factoryBezel(Side side);

// Constants of the pictures.
namespace optics {
constexpr uint8_t kEmitterA = 0x36; // FPGA registers of the two emitter banks: 0xFF lit
constexpr uint8_t kEmitterB = 0x37;
constexpr uint16_t kPixelAddressLow = 0x33; // pixel port: address, then the pixel in 0x35
constexpr uint16_t kPixelAddressHigh = 0x34;
constexpr uint16_t kPixelData = 0x35;
constexpr uint8_t kPatternSelect = 0x38; // sensor registers: 0x38 = 7 and 0x84 = 2 give
constexpr uint8_t kOutputMode = 0x84;    // the test pattern, anything else the picture
constexpr uint8_t kPatternRamp = 0x07;
constexpr uint8_t kOutputPattern = 0x02;
constexpr int kNoise = 3;       // a captured pixel varies by up to this much
constexpr int kLampGlare = 215; // the opposite corner's lamps seen straight on
constexpr double kExposureScale = 17500.0;
constexpr uint8_t kExposureGain = 2;
constexpr uint16_t kStartLineNotFound = 0xFFFF;
} // namespace optics

// Faults of one module's optics and sensor path.
struct OpticalFaults {
    uint8_t linesReadingLow = 0;  // data lines of the sensor cable that are broken and
    uint8_t linesReadingHigh = 0; // read 0, or read 1
    uint16_t darkFrom = 0;        // a stretch of bezel that stays dark
    uint16_t darkColumns = 0;
    bool startLineHidden = false;          // the start-line search cannot find the band
    std::map<uint8_t, int> driftingSensor; // register -> reads so far
    std::map<uint16_t, uint8_t> stuckFpga; // register -> the value it keeps
};

// Sensor pictures, line searches and exposure of the two modules, worked out from the
// bezel truth, the emitter registers, the sensor's output mode and the injected faults.
class OpticsModel {
public:
    OpticsModel();

    // Power-up: both emitter banks of both modules lit.
    void powerOn(FrameState& state);

    // A new picture of the module's sensor into both of its image memories: what the
    // sensor sees now, with noise, or the test pattern. Counts as a capture only when
    // the capture register started it.
    void takePicture(FrameState& state, Side side, bool captureStart);
    // The pixel port latches the pixel at the address in 0x33/0x34 into 0x35.
    void latchPixel(FrameState& state, Side side);

    // The device's own searches.
    uint16_t searchStartLine(Side side, uint16_t low, uint16_t high) const;
    OptimumLineTable optimumLines(Side side, uint16_t windowStart, uint16_t firstColumn,
                                  uint16_t lastColumn) const;
    void exposure(Side side, uint16_t firstColumn, uint16_t lastColumn, uint8_t& time,
                  uint8_t& gain) const;
    // What a leveling of this module finds: the true start line, columns 0 to the end
    // column, the optimum lines over 0..639 and the exposure over 100..end column.
    ModuleOptics levelled(Side side) const;

    // Register faults: writes to a stuck FPGA register are ignored; a drifting sensor
    // register reads one more on every read after the first.
    bool fpgaWriteIgnored(Side side, uint16_t reg) const;
    uint8_t sensorRead(FrameState& state, Side side, uint8_t reg);

    BezelTruth& bezel(Side side) { return bezels_[index(side)]; }
    const BezelTruth& bezel(Side side) const { return bezels_[index(side)]; }
    OpticalFaults& faults(Side side) { return faults_[index(side)]; }
    void clearFaults() { faults_ = {}; }
    // Held: the modules take pictures only when a capture is started.
    void holdPictures(bool hold) { held_ = hold; }
    bool picturesHeld() const { return held_; }

    // The picture of one module without noise (tests compare against it).
    std::vector<uint8_t> idealPicture(const FrameState& state, Side side) const;

private:
    static size_t index(Side side) { return static_cast<size_t>(side); }
    // noise == nullptr: the picture without noise.
    std::vector<uint8_t> render(const FrameState& state, Side side, std::minstd_rand* noise) const;

    std::array<BezelTruth, 2> bezels_;
    std::array<OpticalFaults, 2> faults_{};
    bool held_ = false;
    std::minstd_rand noise_{20140307};
};

// The test pattern's grey level at a column (the same on every row).
uint8_t testPatternPixel(size_t column);
// The optical settings a leveling finds for a bezel, faults included.
ModuleOptics levelledOptics(const BezelTruth& bezel, const OpticalFaults& faults = {});

} // namespace sim
