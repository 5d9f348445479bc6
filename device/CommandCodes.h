#pragma once

#include <cstdint>

// The two camera modules. Most commands exist in a Master and a Slave form.
enum class Side : int { Master = 0, Slave = 1 };

inline const char* sideName(Side side)
{
    return side == Side::Master ? "Master" : "Slave";
}

// Command bytes of the frame protocol. A pair holds the Master and the Slave code.
namespace cmd {

struct Pair {
    uint8_t master;
    uint8_t slave;
    constexpr uint8_t of(Side s) const { return s == Side::Master ? master : slave; }
};

constexpr Pair kFPGAPortWrite{0x04, 0x17};
constexpr Pair kFPGAPortRead{0x05, 0x18};
constexpr Pair kFPGASingleRead{0x06, 0x19};
constexpr Pair kI2CWrite{0x07, 0x1A};
constexpr Pair kI2CRead{0x08, 0x1B};
constexpr uint8_t kFlashWrite = 0x09;
constexpr uint8_t kFlashRead = 0x0A;
constexpr uint8_t kTrigger = 0x0B;
constexpr uint8_t kFlashErase = 0x0D;
constexpr uint8_t kSwitchMode = 0x0E;
constexpr Pair kSearchStartline{0x11, 0x24};
constexpr Pair kConfigStartline{0x12, 0x25};
constexpr Pair kOptimalizeLine{0x14, 0x27};
constexpr uint8_t kGetTouchPoints = 0x1E;
constexpr Pair kGetExposure{0x2A, 0x2B};
constexpr uint8_t kGetStatus = 0x30;
constexpr uint8_t kJump = 0x38;
constexpr Pair kGetPreviewData{0x00, 0x01}; // plus the memory flag 0x80 or 0x40
constexpr Pair kStreamA{0x2F, 0x1F};        // plus the first/last packet flags
constexpr Pair kStreamB{0x2E, 0x34};

// Flag bits carried in the command byte.
constexpr uint8_t kFlagFirst = 0x80; // first packet of a download / first image memory
constexpr uint8_t kFlagLast = 0x40;  // last packet of a download / second image memory

// Largest pieces one request carries.
constexpr int kPortWriteMax = 59;
constexpr int kPortReadMax = 60;
constexpr int kFlashWriteMax = 58;
constexpr int kFlashReadMax = 60;
constexpr int kStreamMax = 62;

// Jump targets.
constexpr uint8_t kJumpBootLoader = 0x42;  // 'B'
constexpr uint8_t kJumpApplication = 0x55; // 'U'

} // namespace cmd

// Operating modes sent with SwitchMode.
enum ModeCode : uint8_t {
    WorkMode = 0x22,
    CalibrationMode = 0xFF,
    ResetMode = 0xCC,
    SaveMode = 0xEE,
};
