#include "maintenance/ScriptRun.h"

#include "app/LogSink.h"
#include "device/Delay.h"
#include "device/DeviceState.h"
#include "device/ModeSwitch.h"

#include <QDir>
#include <QFileInfo>

namespace {

namespace aw = address_word;
using Op = ScriptStep::Op;

constexpr double kWaitSliceMs = 20.0;

} // namespace

ScriptRun::ScriptRun(Device& device, QString path, bool useSlave, ReportedLines& lines,
                     const std::atomic<int>& stop, std::function<void(int)> send)
    : device_(device), path_(std::move(path)), useSlave_(useSlave), lines_(lines), stop_(stop),
      send_(std::move(send))
{
}

void ScriptRun::report(int code, QStringList lines)
{
    lines_.post(std::move(lines));
    send_(code);
}

QString ScriptRun::accessLine(const char* name, uint32_t word, uint8_t value) const
{
    return QString::asprintf("%s: %s Addr: 0x%04x  value: 0x%02x", sideName(aw::side(word)), name,
                             word & 0xFFFF, value);
}

QString ScriptRun::errorLine(const char* name, uint32_t word) const
{
    return QString::asprintf("%s: %s error", sideName(aw::side(word)), name);
}

QString ScriptRun::fileBesideScript(const QString& name) const
{
    return QFileInfo(path_).dir().filePath(name);
}

bool ScriptRun::wait(uint32_t ms)
{
    return delay::waitUnlessStopped(ms, kWaitSliceMs, stop_);
}

void ScriptRun::run()
{
    if (!SwitchMode(device_, CalibrationMode))
        serviceLog().logf("RunScript :Switch to calibration mode failed! g_isSwitchMode=%d\n",
                          g_isSwitchMode.load());
    const ScriptParse script = parseScriptFile(path_);
    if (script.status == ScriptParse::Status::CannotOpen) {
        report(kScriptOpenFail, {QStringLiteral("Script Open Fail!")});
        return;
    }
    if (script.status == ScriptParse::Status::BadLine) {
        report(kScriptStopped, {QStringLiteral("Script line %1: %2; nothing was sent")
                                    .arg(script.badLine)
                                    .arg(script.error)});
        return;
    }
    device_.access.forgetBurstFile();
    for (const ScriptStep& step : script.steps) {
        if (!g_bDevExist || stop_) {
            report(kScriptStopped,
                   {QStringLiteral("Script stopped before line %1: %2")
                        .arg(step.lineNumber)
                        .arg(QLatin1String(stop_ ? "stopped" : "the frame was lost"))});
            return;
        }
        if (!execute(step))
            return;
    }
    report(kScriptDone, {QStringLiteral("Success!")});
    if (!SwitchMode(device_, WorkMode))
        serviceLog().logf("RunScript :Switch to work mode failed! g_isSwitchMode=%d\n",
                          g_isSwitchMode.load());
}

bool ScriptRun::accessReported(bool ok, const AccessReport& how, uint32_t word, uint8_t value)
{
    if (!ok) {
        QStringList lines{errorLine(how.name, word)};
        if (how.timeoutLine)
            lines << QString::fromLatin1(how.timeoutLine);
        report(how.failed, lines);
        return false;
    }
    report(how.done, {accessLine(how.name, word, value)});
    return true;
}

RegisterRequest ScriptRun::burstRequest(const ScriptStep& step) const
{
    RegisterRequest r;
    r.addressWord = step.address;
    r.length = step.count;
    r.fileName = fileBesideScript(step.file);
    return r;
}

bool ScriptRun::burstReported(bool ok, int failed, const char* timeoutLine, const ScriptStep& step)
{
    if (ok)
        return true;
    QStringList lines{QString::fromLatin1(timeoutLine)};
    if (!device_.access.lastError().isEmpty())
        lines << QStringLiteral("line %1: %2").arg(step.lineNumber).arg(device_.access.lastError());
    report(failed, lines);
    return false;
}

bool ScriptRun::execute(const ScriptStep& step)
{
    RegisterAccess& access = device_.access;
    const uint32_t slave = useSlave_ ? aw::kSlaveBit : 0;
    RegisterRequest r;
    r.length = 1;
    uint8_t value = 0;
    bool ok = false;
    switch (step.op) {
    case Op::PortRead:
        r.addressWord = step.address;
        ok = access.portRead(r, value);
        return accessReported(ok,
                              {"FPGAPortRead", kScriptPortRead, kScriptPortReadFail,
                               "PortRead timeout exit, please try again!"},
                              r.addressWord, value);
    case Op::PortWrite:
        r.addressWord = step.address | slave;
        r.data = {step.value};
        ok = access.portWrite(r);
        return accessReported(ok,
                              {"FPGAPortWrite", kScriptPortWrite, kScriptPortWriteFail,
                               "PortWrite timeout exit, please try again!"},
                              r.addressWord, step.value);
    case Op::SingleRead:
        r.addressWord = step.address | slave;
        ok = access.singleRead(r, value);
        return accessReported(ok,
                              {"FPGASingleRead", kScriptSingleRead, kScriptSingleReadFail,
                               "SingleRead timeout exit, please try again!"},
                              r.addressWord, value);
    case Op::BurstRead:
        r = burstRequest(step);
        ok = access.BurstRead(r);
        return burstReported(ok, kScriptBurstReadFail, "BurstRead timeout exit, please try again!",
                             step);
    case Op::BurstWrite:
        r = burstRequest(step);
        ok = access.BurstWrite(r, step.fileOffset);
        return burstReported(ok, kScriptBurstWriteFail,
                             "BurstWrite timeout exit, please try again!", step);
    case Op::Delay:
        report(kScriptDelay, {QStringLiteral("Delay %1 ms!").arg(step.delayMs)});
        if (!wait(step.delayMs)) {
            report(kScriptStopped,
                   {QStringLiteral("Script stopped at line %1: stopped").arg(step.lineNumber)});
            return false;
        }
        return true;
    case Op::SensorWrite:
        r.addressWord =
            aw::make(aw::kSpaceSensor, step.address) | (step.address & aw::kSlaveBit) | slave;
        r.data = {step.value};
        ok = access.sensorWrite(r);
        return accessReported(ok, {"I2CWrite", kScriptSensorWrite, kScriptSensorWriteFail, nullptr},
                              r.addressWord, step.value);
    case Op::SensorRead:
        r.addressWord =
            aw::make(aw::kSpaceSensor, step.address) | (step.address & aw::kSlaveBit) | slave;
        ok = access.sensorRead(r, value);
        return accessReported(ok, {"I2C_Read", kScriptSensorRead, kScriptSensorReadFail, nullptr},
                              r.addressWord, value);
    case Op::None:
        return true;
    }
    return true;
}

RunScriptThread::RunScriptThread(Device& device, QString path, bool useSlave, ReportedLines& lines,
                                 QObject* parent)
    : DeviceWorker(device, parent), path_(std::move(path)), useSlave_(useSlave), lines_(lines)
{
}

RunScriptThread::~RunScriptThread()
{
    stopAndWait();
}

void RunScriptThread::run()
{
    ScriptRun(device_, path_, useSlave_, lines_, stopFlag(), reporter()).run();
}
