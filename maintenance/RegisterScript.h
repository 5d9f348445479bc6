#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

// Register scripts: text files of register reads and writes, burst transfers to and
// from files, and delays. Each line starts with an enable flag; only lines whose flag
// is 1 are run, so lines with another flag and lines that do not start with a number
// are comments. After the flag come a command word and its parameters, separated by
// white space; the rest of the line is ignored. Hex numbers may carry "0x".
//
//   1 prd   ADDR COUNT           FPGA port read (COUNT must be 1)
//   1 pwd   ADDR VALUE COUNT     FPGA port write of one byte (COUNT must be 1)
//   1 srd   ADDR                 FPGA single read
//   1 brd   ADDR COUNT FILE      burst read of COUNT (hex, 1..0x280) bytes into FILE
//   1 bwd   COUNT ADDR OFFSET FILE  burst write of COUNT (decimal, 1..132) bytes of FILE,
//                                from byte OFFSET (hex) of the file
//   1 #     MS                   wait MS (decimal) milliseconds
//   1 i2cwd ADDR COUNT VALUE     sensor register write (COUNT must be 1)
//   1 i2crd ADDR COUNT           sensor register read (COUNT must be 1)
//
// ADDR of prd, brd and bwd is the address word as sent (bit 28 for the Slave, bits 24
// and 25 the space: 0 FPGA port, 1 sensor, 2 flash); srd, pwd, i2crd and i2cwd take
// the register and reach the Slave when the panel's Slave box is ticked. FILE is one
// token of at most 15 characters, relative to the script's folder. Unknown command
// words are ignored.
struct ScriptStep {
    enum class Op {
        None, // nothing to do: a comment, a disabled line, an unknown command word
        PortRead,
        PortWrite,
        SingleRead,
        BurstRead,
        BurstWrite,
        Delay,
        SensorWrite,
        SensorRead,
    };
    static constexpr int kLongestFileName = 15;
    static constexpr uint32_t kLongestDelayMs = 3600000;

    Op op = Op::None;
    int lineNumber = 0;
    uint32_t address = 0; // as written; the run adds the space and Slave bits
    uint32_t count = 0;
    uint8_t value = 0;
    uint32_t fileOffset = 0;
    uint32_t delayMs = 0;
    QString file;
};

// One line of a script; error says why a line does not parse (then ok is false).
struct ScriptLineParse {
    bool ok = true;
    ScriptStep step;
    QString error;
};
ScriptLineParse parseScriptLine(const QByteArray& line, int lineNumber);

// A whole script, checked before anything of it runs.
struct ScriptParse {
    enum class Status { Ok, CannotOpen, BadLine };
    Status status = Status::CannotOpen;
    std::vector<ScriptStep> steps; // only the lines that do something
    int badLine = 0;
    QString error;
};
ScriptParse parseScriptFile(const QString& path);
