#include "cli/Subcommands.h"

#include "cli/ArgumentParser.h"
#include "cli/Interruption.h"
#include "cli/ProgressLine.h"

#include "cli/FlashTestCommand.h"
#include "cli/ToolSession.h"
#include "device/Device.h"
#include "imaging/DeviceSteps.h"
#include "imaging/FrameDump.h"
#include "imaging/ImageSensorTestThread.h"
#include "imaging/SensorDataTest.h"

#include <QThread>

#include <array>
#include <cstdio>

namespace {

constexpr const char* kUsage =
    "usage: vireto-cli test sensor-cable\n"
    "       vireto-cli test image|sensor [--passes N] [--dump PREFIX]\n"
    "       vireto-cli test flash [--cycles N] [--skip PARTS] [--dump PREFIX] [--wait S]\n"
    "flash: the factory flash test (vireto-cli test flash --help).\n"
    "sensor-cable: puts both sensors into their test pattern and checks eight pixels per\n"
    "  side through the pixel port; prints the broken data lines of each sensor cable.\n"
    "image: both sensors show their test pattern; every pass reads both pictures and\n"
    "  compares them with the first pass's. On a difference both pairs are written to\n"
    "  PREFIX1_Master.dat / PREFIX1_Slave.dat and PREFIXn_... (default PREFIX:\n"
    "  sensor-test_ in the current folder).\n"
    "sensor: sensor registers 0..31 are written with their index and read back every pass\n"
    "  (their old values are put back at the end).\n"
    "N passes (default 10, 2..100000). Exit status 1 on a difference or a bad line.";

constexpr uint32_t kDefaultPasses = 10;
constexpr uint32_t kMostPasses = 100000;
constexpr uint8_t kPatternSelect = 0x38;
constexpr uint8_t kOutputMode = 0x84;
constexpr uint8_t kNormalPattern = 0x11;
constexpr uint8_t kNormalOutput = 0x70;

int runSensorCable(const CliContext& context)
{
    return inFrameSession(context, [&](Device& device, ToolSession& session) -> int {
        const SensorDataResult result = TestSensorData(device);
        if (!result.ok)
            return fail(
                kExitFailed,
                QStringLiteral("the sensor test could not run: %1").arg(lastFailure(device)));
        if (result.warning.isEmpty())
            std::printf("both sensor cables: every data line good\n");
        else
            std::printf("%s", qPrintable(result.warning));
        const bool ended = session.end();
        return ended && result.warning.isEmpty() ? kExitOk : kExitFailed;
    });
}

void printReadings(const char* name, const ImageSensorTestThread::Readings& values)
{
    std::printf("%s:", name);
    for (uint8_t v : values)
        std::printf(" %u", v);
    std::printf("\n");
}

// Sensor registers 0..31 of both sensors, to be put back after the sensor test.
using RegisterCopy = std::array<ImageSensorTestThread::Readings, 2>;

// Runs access(side, register, the register's place in copy) over registers 0..31 of
// both sensors; stops at the first failed access.
template <typename Copy, typename Access>
bool eachRegister(Copy& copy, Access access)
{
    for (Side side : {Side::Master, Side::Slave})
        for (int i = 0; i < ImageSensorTestThread::kRegisters; ++i)
            if (!access(side, static_cast<uint8_t>(i),
                        copy[static_cast<size_t>(side)][static_cast<size_t>(i)]))
                return false;
    return true;
}

bool readRegisters(Device& device, RegisterCopy& copy)
{
    return eachRegister(copy, [&device](Side side, uint8_t reg, uint8_t& value) {
        return device_steps::I2C_Read(device, side, reg, value);
    });
}

bool writeRegisters(Device& device, const RegisterCopy& copy)
{
    return eachRegister(copy, [&device](Side side, uint8_t reg, uint8_t value) {
        return device_steps::I2CWrite(device, side, reg, value);
    });
}

bool normalOutput(Device& device)
{
    for (Side side : {Side::Master, Side::Slave})
        if (!device_steps::I2CWrite(device, side, kOutputMode, kNormalOutput) ||
            !device_steps::I2CWrite(device, side, kPatternSelect, kNormalPattern))
            return false;
    return true;
}

int runEndurance(const CliContext& context, bool imageMode, uint32_t passes, const QString& prefix)
{
    return inFrameSession(context, [&](Device& device, ToolSession& session) -> int {
        RegisterCopy saved{};
        if (!imageMode && !readRegisters(device, saved))
            return fail(
                kExitFailed,
                QStringLiteral("cannot read the sensor registers: %1").arg(lastFailure(device)));

        SensorTestState state;
        state.imageMode = imageMode ? 1 : 0;
        std::atomic<int> outcome{-1};
        ImageSensorTestThread worker(device, state, prefix);
        // Every dump is checked; the list is read once the worker has ended.
        QStringList dumpErrors;
        worker.setDumpWriter([&dumpErrors](const QString& dumpPrefix, int n, const uint8_t* master,
                                           const uint8_t* slave) {
            int written = 0;
            for (const auto& [isMaster, frame] :
                 {std::pair{false, slave}, std::pair{true, master}}) {
                QString error;
                if (writeOutputFile(frameDumpName(dumpPrefix, n, isMaster),
                                    QByteArray(reinterpret_cast<const char*>(frame),
                                               static_cast<qsizetype>(kFrameDumpBytes)),
                                    error))
                    ++written;
                else
                    dumpErrors << error;
            }
            return written;
        });
        QObject::connect(
            &worker, &ImageSensorTestThread::sendData, &worker,
            [&outcome](int code) {
                if (code != 3)
                    outcome = code;
            },
            Qt::DirectConnection);
        if (!worker.startTest())
            return fail(kExitFailed, QStringLiteral("no memory for the frame buffers"));
        ProgressLine line(imageMode ? QStringLiteral("test image") : QStringLiteral("test sensor"),
                          passes);
        while (worker.isRunning() && state.passCount <= static_cast<int>(passes) &&
               !interruption::requested()) {
            line.update(state.passCount - 1);
            QThread::msleep(1);
        }
        worker.stopTest();
        line.finish();
        if (interruption::requested()) {
            // Stopped between two passes: the sensors are put back and the frame returns to
            // work mode; there is no verdict.
            const bool restored = imageMode ? normalOutput(device) : writeRegisters(device, saved);
            if (!restored)
                fail(kExitFailed,
                     QStringLiteral("cannot put the sensors back: %1").arg(lastFailure(device)));
            session.end();
            return kExitFailed;
        }

        const int pass = state.passCount;
        int exit = kExitOk;
        switch (outcome.load()) {
        case ImageSensorTestThread::kImageDiffers:
            std::printf(
                "pass %d: the pictures differ from pass 1 (%s1_Master.dat, %s%d_Master.dat)\n",
                pass, qPrintable(prefix), qPrintable(prefix), pass);
            exit = kExitFailed;
            break;
        case ImageSensorTestThread::kRegistersDiffer:
            std::printf("pass %d: the sensor registers differ from pass 1\n", pass);
            printReadings("L_First", worker.firstReadings(Side::Master));
            printReadings("L_Error", worker.currentReadings(Side::Master));
            printReadings("R_First", worker.firstReadings(Side::Slave));
            printReadings("R_Error", worker.currentReadings(Side::Slave));
            exit = kExitFailed;
            break;
        case ImageSensorTestThread::kDeviceLost:
            return fail(kExitFailed, QStringLiteral("the frame was lost in pass %1").arg(pass));
        default:
            if (pass <= static_cast<int>(passes))
                return fail(kExitFailed, QStringLiteral("a device access failed in pass %1: %2")
                                             .arg(pass)
                                             .arg(lastFailure(device)));
            std::printf("%u passes: no difference\n", passes);
        }
        for (const QString& error : dumpErrors)
            exit = fail(kExitFailed, error);
        const bool restored = imageMode ? normalOutput(device) : writeRegisters(device, saved);
        if (!restored)
            exit = fail(kExitFailed,
                        QStringLiteral("cannot put the sensors back: %1").arg(lastFailure(device)));
        return session.end() ? exit : kExitFailed;
    });
}

} // namespace

int runTest(const CliContext& context)
{
    QStringList args = context.args;
    if (!args.isEmpty() && args.first() == QLatin1String("flash"))
        return runFlashTest(context, args.mid(1));
    if (wantsHelp(args) || args.isEmpty()) {
        return usage(kUsage, !args.isEmpty());
    }
    const QString what = args.takeFirst();
    if (what == QLatin1String("sensor-cable")) {
        if (!args.isEmpty())
            return fail(kExitUsage, QStringLiteral("test sensor-cable takes no arguments"));
        return runSensorCable(context);
    }
    if (what != QLatin1String("image") && what != QLatin1String("sensor"))
        return fail(
            kExitUsage,
            QStringLiteral("unknown test \"%1\" (sensor-cable, image, sensor, flash)").arg(what));
    uint32_t passes = kDefaultPasses;
    std::string prefix = "sensor-test_";
    CLI::App app{"test"};
    app.add_option("--passes", passes)->check(CLI::Range(2u, kMostPasses));
    app.add_option("--dump", prefix)->check([](const std::string& v) {
        return v.empty() ? std::string("--dump needs a prefix") : std::string();
    });
    QString error;
    if (!parseArguments(app, args, error))
        return fail(kExitUsage, error + QStringLiteral(" (see test --help)"));
    return runEndurance(context, what == QLatin1String("image"), passes, fromArgument(prefix));
}
