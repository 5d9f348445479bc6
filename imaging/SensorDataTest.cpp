#include "imaging/SensorDataTest.h"

#include "app/AppContext.h"
#include "device/Delay.h"
#include "device/DeviceState.h"
#include "imaging/DeviceSteps.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QStringList>
#include <QTime>

#include <array>

namespace {

constexpr uint8_t kPatternSelect = 0x38;
constexpr uint8_t kOutputMode = 0x84;
constexpr uint8_t kPatternRamp = 0x07;
constexpr uint8_t kOutputPattern = 0x02;
constexpr uint8_t kNormalPattern = 0x11;
constexpr uint8_t kNormalOutput = 0x70;
constexpr uint16_t kCaptureStart = 0x30;
constexpr uint16_t kPixelAddressLow = 0x33;
constexpr uint16_t kPixelAddressHigh = 0x34;
constexpr uint16_t kPixelData = 0x35;
constexpr int kSlaveCaptures = 2;
constexpr int kCapturePolls = 100;
constexpr double kCapturePollMs = 5;
constexpr int kLeftWarningText = 141;
constexpr int kRightWarningText = 140;
constexpr int kWarningTitleText = 117;

struct PatternPixel {
    uint16_t address;
    uint8_t expected;
};
constexpr std::array<PatternPixel, 8> kPatternPixels = {{{40, 0xFF},
                                                         {120, 0xE6},
                                                         {200, 0xC2},
                                                         {280, 0xAA},
                                                         {360, 0x91},
                                                         {440, 0x79},
                                                         {520, 0x55},
                                                         {600, 0x3D}}};

void debugTime(const char* what)
{
    const QTime now = QTime::currentTime();
    qDebug("TestSensorData %s  %02d:%02d:%02d:%02d", what, now.hour(), now.minute(), now.second(),
           now.msec());
}

bool patternOutput(Device& device, Side side)
{
    return device_steps::I2CWrite(device, side, kPatternSelect, kPatternRamp) &&
           device_steps::I2CWrite(device, side, kOutputMode, kOutputPattern);
}

bool normalOutput(Device& device, Side side)
{
    return device_steps::I2CWrite(device, side, kOutputMode, kNormalOutput) &&
           device_steps::I2CWrite(device, side, kPatternSelect, kNormalPattern);
}

// Starts a capture and waits until the module reads 0 again in its capture register.
bool captureAndWait(Device& device, Side side)
{
    if (!device_steps::portWrite(device, side, kCaptureStart, 1))
        return false;
    for (int poll = 0; poll < kCapturePolls; ++poll) {
        if (!g_bDevExist || !g_isDeviceCommunicate)
            return false;
        delay::wait(kCapturePollMs);
        uint8_t value = 0xFF;
        if (!device_steps::portRead(device, side, kCaptureStart, value))
            return false;
        if (value == 0)
            return true;
    }
    return false;
}

// The bits that differ from the pattern at the eight pixels.
bool checkPixels(Device& device, Side side, uint8_t& bad)
{
    for (const PatternPixel& p : kPatternPixels) {
        uint8_t value = 0;
        if (!device_steps::portWrite(device, side, kPixelAddressLow,
                                     static_cast<uint8_t>(p.address & 0xFF)) ||
            !device_steps::portWrite(device, side, kPixelAddressHigh,
                                     static_cast<uint8_t>(p.address >> 8)) ||
            !device_steps::portRead(device, side, kPixelData, value))
            return false;
        bad |= static_cast<uint8_t>(value ^ p.expected);
    }
    return true;
}

bool runChecks(Device& device, SensorDataResult& result)
{
    if (!patternOutput(device, Side::Master) ||
        !device_steps::portWrite(device, Side::Master, kCaptureStart, 1) ||
        !patternOutput(device, Side::Slave))
        return false;
    for (int i = 0; i < kSlaveCaptures; ++i) {
        if (!captureAndWait(device, Side::Slave))
            return false;
    }
    return checkPixels(device, Side::Slave, result.badRight) &&
           checkPixels(device, Side::Master, result.badLeft);
}

QString sideWarning(int textIndex, uint8_t badLines)
{
    return badLines ? appContext().text(textIndex).arg(badLinesText(badLines)) + "\n" : QString();
}

} // namespace

QString badLinesText(uint8_t badLines)
{
    QStringList lines;
    for (int bit = 0; bit < 8; ++bit) {
        if (badLines & (1u << bit))
            lines << QString::number(bit);
    }
    return "(" + lines.join(',') + " bit)";
}

SensorDataResult TestSensorData(Device& device, SensorWarningSink* sink)
{
    QElapsedTimer elapsed;
    elapsed.start();
    debugTime("start");
    SensorDataResult result;
    const bool checked = runChecks(device, result);
    // Whatever happened, the sensors must not stay in their test pattern.
    const bool restored =
        g_bDevExist && normalOutput(device, Side::Master) && normalOutput(device, Side::Slave);
    if (!checked || !restored)
        return result;
    result.warning = sideWarning(kLeftWarningText, result.badLeft) +
                     sideWarning(kRightWarningText, result.badRight);
    if (!result.warning.isEmpty() && sink)
        sink->showSensorWarning(appContext().text(kWarningTitleText), result.warning);
    debugTime("end");
    qDebug("TestSensorData start to end  %02d\n", static_cast<int>(elapsed.elapsed()));
    result.ok = 1;
    return result;
}

SensorDataResult runRequestedSensorTest(Device& device, AdjustScreenState& state,
                                        SensorWarningSink* sink)
{
    const SensorDataResult result = TestSensorData(device, sink);
    state.testPassed = result.ok && !result.badLeft && !result.badRight;
    state.testFinished = 1;
    return result;
}
