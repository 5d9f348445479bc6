#pragma once

#include "device/Device.h"
#include "device/DeviceWorker.h"
#include "maintenance/RegisterScript.h"
#include "maintenance/ReportedLines.h"

#include <QString>

#include <atomic>
#include <functional>

// Codes of a script run, as the window's recvData(int) receives them. Each comes with
// its log-area lines (ReportedLines).
enum ScriptCode {
    kScriptSingleRead = 13,
    kScriptPortWrite = 15,
    kScriptOpenFail = 20,
    kScriptPortRead = 21,
    kScriptPortReadFail = 22,
    kScriptPortWriteFail = 23,
    kScriptSingleReadFail = 24,
    kScriptBurstReadFail = 25,
    kScriptBurstWriteFail = 26,
    kScriptDelay = 27,
    kScriptSensorWriteFail = 28,
    kScriptSensorReadFail = 29,
    kScriptDone = 30,
    kScriptSensorRead = 31,
    kScriptSensorWrite = 32,
    // The script ended without a register failure: a line that does not parse (nothing
    // of the script was sent), the frame lost between lines, or a stop.
    kScriptStopped = 34,
};

// One run of a register script (RegisterScript.h): the frame goes to calibration mode,
// the whole file is checked, then the lines run in order; the first failure ends the
// run with its code and leaves the frame in calibration mode. After the last line
// "Success!" and the frame goes back to work mode. Files of brd and bwd lie beside the
// script; the first brd of a run naming a file creates it, later ones append.
class ScriptRun {
public:
    // useSlave: the Slave box as it was when the run started.
    ScriptRun(Device& device, QString path, bool useSlave, ReportedLines& lines,
              const std::atomic<int>& stop, std::function<void(int)> send);

    void run();

private:
    // How a register access of the script is reported: its name in the lines, its codes,
    // and the line a failure adds (none for the sensor accesses).
    struct AccessReport {
        const char* name;
        int done;
        int failed;
        const char* timeoutLine;
    };

    // False when the run ends here (the code was sent).
    bool execute(const ScriptStep& step);
    // The access's line after it succeeded; its error (and timeout line) after it failed.
    bool accessReported(bool ok, const AccessReport& how, uint32_t word, uint8_t value);
    // A burst's request: its words and the file beside the script.
    RegisterRequest burstRequest(const ScriptStep& step) const;
    // A burst says nothing when it succeeds; a failure gives the timeout line and the
    // reason the register access gave.
    bool burstReported(bool ok, int failed, const char* timeoutLine, const ScriptStep& step);
    bool wait(uint32_t ms);
    void report(int code, QStringList lines = {});
    // "%s: NAME Addr: 0x%04x  value: 0x%02x" for the access just made.
    QString accessLine(const char* name, uint32_t word, uint8_t value) const;
    QString errorLine(const char* name, uint32_t word) const;
    QString fileBesideScript(const QString& name) const;

    Device& device_;
    QString path_;
    bool useSlave_;
    ReportedLines& lines_;
    const std::atomic<int>& stop_;
    std::function<void(int)> send_;
};

// The script worker: one run per start, codes through sendData(int).
class RunScriptThread : public DeviceWorker {
    Q_OBJECT
public:
    RunScriptThread(Device& device, QString path, bool useSlave, ReportedLines& lines,
                    QObject* parent = nullptr);
    ~RunScriptThread() override;

protected:
    void run() override;

private:
    QString path_;
    bool useSlave_;
    ReportedLines& lines_;
};
