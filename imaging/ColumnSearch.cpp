#include "imaging/ColumnSearch.h"

#include "app/AppContext.h"
#include "app/LogSink.h"
#include "device/Delay.h"
#include "imaging/DeviceSteps.h"
#include "imaging/EdgeAnalysis.h"
#include "imaging/ImagingLog.h"
#include "imaging/OpticalParams.h"
#include "imaging/SearchState.h"

using namespace edge_analysis;

namespace {

constexpr uint16_t kEmitterA = 0x36;
constexpr uint16_t kEmitterB = 0x37;
constexpr uint16_t kCaptureStart = 0x30;
constexpr uint8_t kOpen = 0xFF;
constexpr uint8_t kClosed = 0x00;
constexpr int kCaptureCycles = 5;
constexpr double kCaptureWaitMs = 20;
constexpr size_t kSampleValuesPerRow = 50; // a sample logs as 16 rows of 50
constexpr size_t kLineValuesPerRow = 25;   // a 100-byte line as 4 rows of 25
constexpr size_t kPenSumsPerRow = 50;

// A heading line, the values in rows, an empty line.
template <typename T, size_t N>
void logBlock(const char* heading, const std::array<T, N>& values, size_t perRow)
{
    imaging_log::line(heading);
    imaging_log::rows(values.data(), N, perRow);
    imaging_log::raw("\n");
}

// One emitter register of a phase: its value, and the line logged (with the byte read
// back) when the frame holds another.
struct RegisterCheck {
    Side side;
    uint16_t reg;
    uint8_t value;
    const char* failLine;
};
using PhaseRegisters = std::array<RegisterCheck, 4>;

// Switching to a phase: the lit module's emitters on, the other's off, each read back.
const PhaseRegisters kSwitchToRight{{
    {Side::Slave, kEmitterA, kOpen, "MsgFPGAPortWriteReg(Slave, 0x36, 0xff) error:0x%x\n"},
    {Side::Slave, kEmitterB, kOpen, "MsgFPGAPortWriteReg(Slave, 0x37, 0xff) error:0x%x\n"},
    {Side::Master, kEmitterA, kClosed, "MsgFPGAPortWriteReg(Master, 0x36, 0x00) error:0x%x\n"},
    {Side::Master, kEmitterB, kClosed, "MsgFPGAPortWriteReg(Master, 0x37, 0x00) error:0x%x\n"},
}};
const PhaseRegisters kSwitchToLeft{{
    {Side::Slave, kEmitterA, kClosed, "MsgFPGAPortWriteReg(SLAVE, 0x36, 0x00) error:0x%x\n"},
    {Side::Slave, kEmitterB, kClosed, "MsgFPGAPortWriteReg(SLAVE, 0x37, 0x00) error:0x%x\n"},
    {Side::Master, kEmitterA, kOpen, "MsgFPGAPortWriteReg(Master, 0x36, 0xff) error:0x%x\n"},
    {Side::Master, kEmitterB, kOpen, "MsgFPGAPortWriteReg(Master, 0x37, 0xff) error:0x%x\n"},
}};
// After every capture cycle the emitters must still be as the phase set them.
const PhaseRegisters kRightLit{{
    {Side::Master, kEmitterA, kClosed, "MsgFPGAPortReadReg(Master, 0x36 = 0x00) error:0x%x\n"},
    {Side::Master, kEmitterB, kClosed, "MsgFPGAPortReadReg(Master, 0x37 = 0x00) error:0x%x\n"},
    {Side::Slave, kEmitterA, kOpen, "MsgFPGAPortReadReg(Slave, 0x36 = 0xff) error:0x%x\n"},
    {Side::Slave, kEmitterB, kOpen, "MsgFPGAPortReadReg(Slave, 0x37 = 0xff) error:0x%x\n"},
}};
const PhaseRegisters kLeftLit{{
    {Side::Master, kEmitterA, kOpen, "MsgFPGAPortReadReg(Master, 0x36 = 0xff) error:0x%x\n"},
    {Side::Master, kEmitterB, kOpen, "MsgFPGAPortReadReg(Master, 0x37 = 0xff) error:0x%x\n"},
    {Side::Slave, kEmitterA, kClosed, "MsgFPGAPortReadReg(Slave, 0x36 = 0x00) error:0x%x\n"},
    {Side::Slave, kEmitterB, kClosed, "MsgFPGAPortReadReg(Slave, 0x37 = 0x00) error:0x%x\n"},
}};

} // namespace

ColumnSearch::ColumnSearch(Device& device, GuardedSteps& steps, const LevelingConfig& config)
    : device_(device), steps_(steps), config_(config)
{
}

bool ColumnSearch::readEmitters(Emitters& kept)
{
    return steps_.next() &&
           device_steps::portRead(device_, Side::Master, kEmitterA, kept.master36) &&
           steps_.next() &&
           device_steps::portRead(device_, Side::Master, kEmitterB, kept.master37) &&
           steps_.next() && device_steps::portRead(device_, Side::Slave, kEmitterA, kept.slave36) &&
           steps_.next() && device_steps::portRead(device_, Side::Slave, kEmitterB, kept.slave37);
}

bool ColumnSearch::writeEmitters(const Emitters& v)
{
    return steps_.next() && device_steps::portWrite(device_, Side::Master, kEmitterA, v.master36) &&
           steps_.next() && device_steps::portWrite(device_, Side::Master, kEmitterB, v.master37) &&
           steps_.next() && device_steps::portWrite(device_, Side::Slave, kEmitterA, v.slave36) &&
           steps_.next() && device_steps::portWrite(device_, Side::Slave, kEmitterB, v.slave37);
}

void ColumnSearch::restoreAfterFailure(const Emitters& kept)
{
    if (!steps_.halted())
        writeEmitters(kept);
}

bool ColumnSearch::expectRegister(Side side, uint16_t reg, uint8_t expected, const char* failLine)
{
    uint8_t value = 0;
    if (!steps_.next() || !device_steps::portRead(device_, side, reg, value))
        return false;
    if (value == expected)
        return true;
    serviceLog().logf(failLine, value);
    return false;
}

bool ColumnSearch::writeChecked(Side side, uint16_t reg, uint8_t value, const char* failLine)
{
    return steps_.next() && device_steps::portWrite(device_, side, reg, value) &&
           expectRegister(side, reg, value, failLine);
}

bool ColumnSearch::switchPhaseChecked(Lit lit)
{
    for (const RegisterCheck& c : lit == Lit::Right ? kSwitchToRight : kSwitchToLeft)
        if (!writeChecked(c.side, c.reg, c.value, c.failLine))
            return false;
    return true;
}

bool ColumnSearch::trigger()
{
    return steps_.next() && device_steps::trigger(device_);
}

bool ColumnSearch::capture(Side side, const char* failLine)
{
    if (!steps_.next() || !device_steps::portWrite(device_, side, kCaptureStart, 1))
        return false;
    delay::wait(kCaptureWaitMs);
    return expectRegister(side, kCaptureStart, 0, failLine);
}

bool ColumnSearch::captureCycles(Lit lit)
{
    for (int cycle = 0; cycle < kCaptureCycles; ++cycle) {
        if (!capture(Side::Master, "MsgFPGAPortWriteReg(Master, 0x30, 0x00) error:0x%x\n") ||
            !capture(Side::Slave, "MsgFPGAPortWriteReg(Slave, 0x30, 0x00) error:0x%x\n"))
            return false;
        for (const RegisterCheck& c : lit == Lit::Right ? kRightLit : kLeftLit)
            if (!expectRegister(c.side, c.reg, c.value, c.failLine))
                return false;
    }
    return true;
}

// A failed sample is no failure of its own: the next step's guard decides.
void ColumnSearch::sample(Side side, EdgeSample& out)
{
    EdgeSample& buffer = g_EdgeSample[static_cast<size_t>(side)];
    if (steps_.next())
        readEdgeSample(device_, side, buffer, steps_.forRead());
    out = buffer;
}

ColumnResult ColumnResult::current()
{
    return {false,
            Left_Start,
            Left_End,
            Right_Start,
            Right_End,
            ::leftQualified != 0,
            ::rightQualified != 0};
}

void ColumnResult::store() const
{
    Left_Start = leftStart;
    Left_End = leftEnd;
    Right_Start = rightStart;
    Right_End = rightEnd;
    ::leftQualified = leftQualified ? 1 : 0;
    ::rightQualified = rightQualified ? 1 : 0;
    opticalParams(Side::Master).endColumn = leftEnd;
    opticalParams(Side::Slave).endColumn = rightEnd;
}

template <typename Start>
bool ColumnSearch::takePhase(Lit lit, const Emitters& kept, Start start, PhaseSamples& out)
{
    if (!start(lit)) {
        restoreAfterFailure(kept);
        return false;
    }
    sample(Side::Master, out.left);
    sample(Side::Slave, out.right);
    return true;
}

bool ColumnSearch::runNormal(ColumnResult& result)
{
    g_EdgeSample = {};
    Emitters kept;
    if (!readEmitters(kept))
        return false;

    const auto start = [this](Lit lit) {
        return switchPhaseChecked(lit) && trigger() && captureCycles(lit);
    };
    PhaseSamples a;
    if (!takePhase(Lit::Right, kept, start, a))
        return false;
    logBlock("L-close  R-open    Left_original:\n", a.left, kSampleValuesPerRow);
    logBlock("L-close  R-open    Right_original:\n", a.right, kSampleValuesPerRow);
    PhaseSamples b;
    if (!takePhase(Lit::Left, kept, start, b))
        return false;
    logBlock("L-open  R-close    Left_original:\n", b.left, kSampleValuesPerRow);
    logBlock("L-open  R-close    Right_original:\n", b.right, kSampleValuesPerRow);

    const EdgeLine left4 = lineOf(a.left, kReferenceLine);
    const EdgeLine rightMax = lineOf(a.right, brightestLine(a.right));
    const EdgeLine leftMax = lineOf(b.left, brightestLine(b.left));
    const EdgeLine right4 = lineOf(b.right, kReferenceLine);
    logBlock("L-close  R-open    Left_4:\n", left4, kLineValuesPerRow);
    logBlock("L-open  R-close    Left_max line:\n", leftMax, kLineValuesPerRow);
    logBlock("L-open  R-close    Right_4:\n", right4, kLineValuesPerRow);
    logBlock("L-close  R-open    Right_max line:\n", rightMax, kLineValuesPerRow);

    if (config_.SensorType == 0) {
        // The bezel ends where the lit picture is no brighter than the dark one.
        if (const auto c = firstDarkColumn(leftMax, left4))
            result.leftEnd = static_cast<uint16_t>(kFirstColumn + *c);
        if (const auto c = firstDarkColumn(rightMax, right4))
            result.rightEnd = static_cast<uint16_t>(kFirstColumn + *c);
    } else {
        // A four-lights frame: with its own emitters dark a camera sees the opposite
        // corner's lamps from where its bezel ends.
        const Projection left = projection(a.left);
        const Projection right = projection(b.right);
        logBlock("ProjectImg:\n", left, kLineValuesPerRow);
        if (const auto c = firstColumnAbove(left, kProjectionThreshold))
            result.leftEnd = static_cast<uint16_t>(kFirstColumn + *c);
        logBlock("ProjectImg:\n", right, kLineValuesPerRow);
        if (const auto c = firstColumnAbove(right, kProjectionThreshold))
            result.rightEnd = static_cast<uint16_t>(kFirstColumn + *c);
    }
    result.leftStart = 0;
    result.rightStart = 0;
    serviceLog().logf("Left_End=%d, Right_End=%d\n", result.leftEnd, result.rightEnd);
    result.found = true;
    return writeEmitters(kept);
}

bool ColumnSearch::runPenMode(ColumnResult& result)
{
    g_EdgeSample = {};
    Emitters kept;
    if (!readEmitters(kept))
        return false;

    const auto start = [this](Lit lit) {
        const uint8_t master = lit == Lit::Left ? kOpen : kClosed;
        const uint8_t slave = lit == Lit::Left ? kClosed : kOpen;
        const Side captured = lit == Lit::Left ? Side::Slave : Side::Master;
        return writeEmitters({master, master, slave, slave}) && trigger() && steps_.next() &&
               device_steps::portWrite(device_, captured, kCaptureStart, 1);
    };
    PhaseSamples a;
    if (!takePhase(Lit::Right, kept, start, a))
        return false;
    imaging_log::rows(a.right.data(), a.right.size(), kSampleValuesPerRow);
    imaging_log::raw("\n");
    PhaseSamples b;
    if (!takePhase(Lit::Left, kept, start, b))
        return false;
    imaging_log::rows(b.left.data(), b.left.size(), kSampleValuesPerRow);
    imaging_log::raw("\n");

    const Projection left = projection(a.left);
    const Projection right = projection(b.right);
    imaging_log::rows(left.data(), left.size(), kPenSumsPerRow);
    imaging_log::raw("\n");
    imaging_log::rows(right.data(), right.size(), kPenSumsPerRow);
    imaging_log::raw("\n");
    if (const auto c = firstColumnAbove(left, kPenThreshold))
        result.leftEnd = static_cast<uint16_t>(kPenFirstColumn + *c);
    if (const auto c = firstColumnAbove(right, kPenThreshold))
        result.rightEnd = static_cast<uint16_t>(kPenFirstColumn + *c);
    serviceLog().logf("Left_End=%d, Right_End=%d\n", result.leftEnd, result.rightEnd);
    if (result.leftEnd < kPenSmallestEnd) {
        result.leftEnd = kPenSmallestEnd;
        if (config_.QualityEvaluation)
            result.leftQualified = false;
    }
    if (result.rightEnd < kPenSmallestEnd) {
        result.rightEnd = kPenSmallestEnd;
        if (config_.QualityEvaluation)
            result.rightQualified = false;
    }
    result.found = true;
    return writeEmitters(kept);
}
