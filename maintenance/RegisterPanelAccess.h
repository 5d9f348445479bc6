#pragma once

#include "device/Device.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <optional>

// One Write or Read of the engineering window's register panel: the fields are checked
// on the GUI thread (prepare), the access runs where the frame may be used (a device
// job, or the preview worker between two frames) and fills its result there; the
// window shows the result when the access's code arrives.
namespace register_panel {

// Codes of a panel access (the preview worker reports them when it ran the access).
enum Code {
    kSingleReadDone = 13,
    kSingleReadFailed = 14,
    kPortWriteDone = 15,
    kPortWriteFailed = 16,
    kSensorWriteFailed = 28,
    kSensorReadFailed = 29,
    kSensorReadDone = 31,
    kSensorWriteDone = 32,
};

// What the fields accept as they are typed ("Reg Addr(HEX)" and "Value").
constexpr const char* kFieldPattern = "[A-Fa-fXx_0-9]+";

// A field as a hexadecimal number: an optional "0x", hex digits, "_" between digits
// ignored. Nothing when the text is not such a number or does not fit in 32 bits.
std::optional<uint32_t> parseHex(const QString& text);
// "0x%1" with at least two hex digits, as the fields show a number after an access.
QString fieldText(uint32_t value);

struct Fields {
    QString address;
    QString value;
    bool sensor = false;
    bool slave = false;
};

struct Result {
    std::atomic<bool> ran{false};
    int code = 0;
    QString logLine;
    QString status; // for the status line after a failure
    uint32_t address = 0;
    uint8_t value = 0;
};

struct Access {
    bool write = false;
    bool sensor = false;
    uint32_t addressWord = 0; // register, space and Slave bit
    uint8_t value = 0;
};

// Checks the fields for a write (or a read, which takes no value); nothing, with the
// reason in problem, when they do not make an access.
std::optional<Access> prepare(const Fields& fields, bool write, QString& problem);
// Runs the access and fills result (then sets result.ran); returns result.code.
int run(Device& device, const Access& access, Result& result);

} // namespace register_panel
