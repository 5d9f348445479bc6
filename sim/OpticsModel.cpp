#include "sim/OpticsModel.h"

#include "device/ByteOrder.h"
#include "device/FlashMap.h"
#include "sim/FrameState.h"

#include <algorithm>
#include <cmath>

namespace sim {
namespace {

constexpr size_t kWidth = ModuleState::kLineWidth;
constexpr size_t kRows = ModuleState::kImageLines;
constexpr uint16_t kLastColumn = kWidth - 1;
// The rows around the band's middle that are fully lit, and where it has faded out.
constexpr double kCoreHalfHeight = 1.5;
constexpr double kEdgeHalfHeight = 2.0;
// An optimum line and the two rows below it must lie inside the line window.
constexpr long kLargestOptimumLine = static_cast<long>(kRows) - 3;
// The frame's exposure search starts this far inside the bezel.
constexpr uint16_t kExposureFirstColumn = 100;
constexpr size_t kSensorTypeOffset = 30;
constexpr uint8_t kFourLights = 1;
constexpr double kFullEmitters = 2 * 255.0;
constexpr int kLargestGain = 16;
constexpr double kLongestTime = 0xC0;

const std::array<BezelTruth, 2> kFactoryBezels = {{
    {.startLine = 236,
     .bandTop = 1.6,
     .tilt = 0.005,
     .endColumn = 598,
     .brightness = 200,
     .fade = 0.05},
    {.startLine = 238,
     .bandTop = 4.4,
     .tilt = -0.005,
     .endColumn = 601,
     .brightness = 188,
     .fade = 0.05},
}};

// The check points of the test pattern; the ramp runs straight between them.
struct RampPoint {
    int column;
    int level;
};
constexpr std::array<RampPoint, 8> kRamp = {{{40, 0xFF},
                                             {120, 0xE6},
                                             {200, 0xC2},
                                             {280, 0xAA},
                                             {360, 0x91},
                                             {440, 0x79},
                                             {520, 0x55},
                                             {600, 0x3D}}};

Side opposite(Side side)
{
    return side == Side::Master ? Side::Slave : Side::Master;
}

double bandTop(const BezelTruth& bezel, double column)
{
    return bezel.bandTop + bezel.tilt * column;
}

bool isDark(const OpticalFaults& faults, size_t column)
{
    return column >= faults.darkFrom && column < size_t{faults.darkFrom} + faults.darkColumns;
}

// Grey levels the fully lit band adds at a column: none beyond its end or where it is dark.
double bandBrightness(const BezelTruth& bezel, const OpticalFaults& faults, size_t column)
{
    if (column >= bezel.endColumn || isDark(faults, column))
        return 0;
    return std::max(0.0, bezel.brightness - bezel.fade * static_cast<double>(column));
}

// The share of the band's light a sensor row gets, by its distance from the band's middle.
double bandShare(double distance)
{
    const double d = std::abs(distance);
    if (d <= kCoreHalfHeight)
        return 1;
    if (d >= kEdgeHalfHeight)
        return 0;
    return (kEdgeHalfHeight - d) / (kEdgeHalfHeight - kCoreHalfHeight);
}

double emitterShare(const ModuleRegisters& registers)
{
    return (registers.fpga(optics::kEmitterA) + registers.fpga(optics::kEmitterB)) / kFullEmitters;
}

// A four-lights frame (SensorType 1 in the configuration record) has lamps in the
// corners that a camera sees straight on when its own emitters are dark.
bool isFourLights(const FrameState& state)
{
    const uint8_t* record = state.flash->bytes() + flash_map::kConfigRecord;
    return le::u32(record) == flash_map::ALGConfigInfoFlag &&
           record[kSensorTypeOffset] == kFourLights;
}

bool showsTestPattern(const ModuleRegisters& registers)
{
    return registers.sensor(optics::kPatternSelect) == optics::kPatternRamp &&
           registers.sensor(optics::kOutputMode) == optics::kOutputPattern;
}

// What arrives through the sensor cable: a broken data line always reads the same level.
uint8_t throughCable(const OpticalFaults& faults, int value)
{
    const auto byte = static_cast<uint8_t>(std::clamp(value, 0, 255));
    return static_cast<uint8_t>((byte & ~faults.linesReadingLow) | faults.linesReadingHigh);
}

OptimumLineTable optimumLinesFor(const BezelTruth& bezel, uint16_t windowStart, uint16_t first,
                                 uint16_t last)
{
    OptimumLineTable table{};
    const int n = last - first + 1;
    for (int k = 0; k < kOptimumSegments; ++k) {
        const int start = first + n * k / kOptimumSegments;
        const int end = first + n * (k + 1) / kOptimumSegments;
        const double middle = (start + end - 1) / 2.0;
        const long row = std::lround(bandTop(bezel, middle) + bezel.startLine - windowStart);
        table[static_cast<size_t>(k)] = {
            static_cast<uint16_t>(std::clamp(row, 0L, kLargestOptimumLine)),
            static_cast<uint16_t>(start), static_cast<uint16_t>(end)};
    }
    return table;
}

// The frame's auto-exposure: the darker the bezel over the range, the longer the time;
// past the longest time the gain doubles instead.
void exposureFor(const BezelTruth& bezel, const OpticalFaults& faults, uint16_t first,
                 uint16_t last, uint8_t& time, uint8_t& gain)
{
    double sum = 0;
    for (size_t c = first; c <= last; ++c)
        sum += bandBrightness(bezel, faults, c);
    const double mean = sum / (last - first + 1);
    double t = mean >= 1 ? optics::kExposureScale / mean : 255.0 * kLargestGain;
    int g = optics::kExposureGain;
    while (t > kLongestTime && g < kLargestGain) {
        t /= 2;
        g *= 2;
    }
    time = static_cast<uint8_t>(std::min(255L, std::lround(t)));
    gain = static_cast<uint8_t>(g);
}

} // namespace

const BezelTruth& factoryBezel(Side side)
{
    return kFactoryBezels[static_cast<size_t>(side)];
}

uint8_t testPatternPixel(size_t column)
{
    const int c = static_cast<int>(std::min<size_t>(column, 0xFFFF));
    if (c <= kRamp.front().column)
        return static_cast<uint8_t>(kRamp.front().level);
    size_t k = 1;
    while (k + 1 < kRamp.size() && c > kRamp[k].column)
        ++k;
    // Beyond the last check point the ramp keeps the slope of its last piece.
    const RampPoint& a = kRamp[k - 1];
    const RampPoint& b = kRamp[k];
    const int level = a.level + (b.level - a.level) * (c - a.column) / (b.column - a.column);
    return static_cast<uint8_t>(std::clamp(level, 0, 255));
}

ModuleOptics levelledOptics(const BezelTruth& bezel, const OpticalFaults& faults)
{
    ModuleOptics o;
    o.startLine = bezel.startLine;
    exposureFor(bezel, faults, kExposureFirstColumn, bezel.endColumn, o.exposureTime,
                o.exposureGain);
    o.startColumn = 0;
    o.endColumn = bezel.endColumn;
    o.optimumLines = optimumLinesFor(bezel, bezel.startLine, 0, kLastColumn);
    return o;
}

OpticsModel::OpticsModel() : bezels_(kFactoryBezels) {}

void OpticsModel::powerOn(FrameState& state)
{
    for (ModuleState& module : state.modules) {
        module.registers.setFpga(optics::kEmitterA, 0xFF);
        module.registers.setFpga(optics::kEmitterB, 0xFF);
    }
}

std::vector<uint8_t> OpticsModel::render(const FrameState& state, Side side,
                                         std::minstd_rand* noise) const
{
    const ModuleState& module = state.module(side);
    const OpticalFaults& faults = faults_[index(side)];
    std::vector<uint8_t> picture(kRows * kWidth);
    if (showsTestPattern(module.registers)) {
        for (size_t i = 0; i < picture.size(); ++i)
            picture[i] = throughCable(faults, testPatternPixel(i % kWidth));
        return picture;
    }
    const BezelTruth& b = bezel(side);
    const double own = emitterShare(module.registers);
    const double lamps =
        isFourLights(state) && own == 0 ? emitterShare(state.module(opposite(side)).registers) : 0;
    std::uniform_int_distribution<int> jitter(-optics::kNoise, optics::kNoise);
    for (size_t r = 0; r < kRows; ++r) {
        const double sensorRow = module.optics.startLine + static_cast<double>(r);
        for (size_t c = 0; c < kWidth; ++c) {
            const double middle = b.startLine + bandTop(b, static_cast<double>(c)) + 1;
            const double glare = c >= b.endColumn ? lamps * optics::kLampGlare : 0;
            const double lit = own * bandBrightness(b, faults, c) * bandShare(sensorRow - middle);
            const int value = static_cast<int>(std::lround(module.dimLevel + glare + lit)) +
                              (noise ? jitter(*noise) : 0);
            picture[r * kWidth + c] = throughCable(faults, value);
        }
    }
    return picture;
}

std::vector<uint8_t> OpticsModel::idealPicture(const FrameState& state, Side side) const
{
    return render(state, side, nullptr);
}

void OpticsModel::takePicture(FrameState& state, Side side, bool captureStart)
{
    ModuleState& module = state.module(side);
    std::vector<uint8_t> picture = render(state, side, &noise_);
    // The firmware keeps a second copy of every picture for its touch processing.
    module.imageMemory[ModuleState::kSecondMemory] = picture;
    module.imageMemory[ModuleState::kFirstMemory] = std::move(picture);
    if (captureStart)
        ++module.captures;
}

void OpticsModel::latchPixel(FrameState& state, Side side)
{
    if (fpgaWriteIgnored(side, optics::kPixelData))
        return;
    ModuleRegisters& r = state.module(side).registers;
    const size_t address = static_cast<size_t>(r.fpga(optics::kPixelAddressHigh) << 8) |
                           r.fpga(optics::kPixelAddressLow);
    const std::vector<uint8_t>& picture = state.module(side).imageMemory[ModuleState::kFirstMemory];
    r.setFpga(optics::kPixelData, address < picture.size() ? picture[address] : 0xFF);
}

uint16_t OpticsModel::searchStartLine(Side side, uint16_t low, uint16_t high) const
{
    const BezelTruth& b = bezel(side);
    if (faults_[index(side)].startLineHidden || b.startLine < low || b.startLine > high)
        return optics::kStartLineNotFound;
    return b.startLine;
}

OptimumLineTable OpticsModel::optimumLines(Side side, uint16_t windowStart, uint16_t firstColumn,
                                           uint16_t lastColumn) const
{
    return optimumLinesFor(bezel(side), windowStart, firstColumn, lastColumn);
}

void OpticsModel::exposure(Side side, uint16_t firstColumn, uint16_t lastColumn, uint8_t& time,
                           uint8_t& gain) const
{
    exposureFor(bezel(side), faults_[index(side)], firstColumn, lastColumn, time, gain);
}

ModuleOptics OpticsModel::levelled(Side side) const
{
    return levelledOptics(bezel(side), faults_[index(side)]);
}

bool OpticsModel::fpgaWriteIgnored(Side side, uint16_t reg) const
{
    return faults_[index(side)].stuckFpga.count(reg) != 0;
}

uint8_t OpticsModel::sensorRead(FrameState& state, Side side, uint8_t reg)
{
    const uint8_t value = state.module(side).registers.sensor(reg);
    auto& drifting = faults_[index(side)].driftingSensor;
    const auto it = drifting.find(reg);
    if (it == drifting.end())
        return value;
    return static_cast<uint8_t>(value + it->second++);
}

} // namespace sim
