#pragma once

#include "device/CommandCodes.h"
#include "device/DeviceLink.h"

#include <array>
#include <cstddef>
#include <cstdint>

// Every command of the frame, with its wire payload. Results: 1 success, 0 failure
// (the cause in the link's lastOutcome() for the calling thread). Reads that fail leave 0xFF in
// their destination.
class FrameCommands {
public:
    explicit FrameCommands(DeviceLink& link) : link_(link) {}

    DeviceLink& link() { return link_; }

    // FPGA port registers. Multi-byte transfers go to one register address in pieces
    // (the port moves successive bytes): 59 bytes per write, 60 per read.
    int FPGAPortWrite(Side side, uint16_t reg, uint8_t value);
    int BurstWrite(Side side, uint16_t reg, const uint8_t* data, size_t length);
    int FPGAPortRead(Side side, uint16_t reg, uint8_t& value);
    int BurstRead(Side side, uint16_t reg, uint8_t* data, size_t length);
    int FPGASingleRead(Side side, uint16_t reg, uint8_t& value);

    // Image-sensor registers over I2C; always one byte.
    int I2CWrite(Side side, uint8_t reg, uint8_t value);
    int I2C_Read(Side side, uint8_t reg, uint8_t& value);

    // Flash, by 24-bit byte address. Reads go in pieces of 60 bytes at advancing
    // addresses, writes in pieces of 58.
    int flashWrite(uint32_t address, const uint8_t* data, size_t length);
    int flashRead(uint32_t address, uint8_t* data, size_t length);
    int flashErase(uint32_t address, uint8_t sectorCount);

    int trigger();
    int switchMode(uint8_t mode);
    int jump(uint8_t target);

    // Start-line and optimum-line requests. On failure: start line 0xFFFF; the
    // optimum-line reply's first 6 bytes 0xFF and the rest 0; both exposure bytes 0xFF.
    int SearchStartline(Side side, uint16_t low, uint16_t high, uint16_t& startLine);
    int ConfigStartline(Side side, uint16_t line);
    static constexpr size_t kOptimalizeReply = 53;
    int OptimalizeLine(Side side, uint16_t startColumn, uint16_t endColumn,
                       std::array<uint8_t, kOptimalizeReply>& reply);
    int GetExposure(Side side, uint16_t startColumn, uint16_t endColumn, uint8_t& time,
                    uint8_t& gain);

    static constexpr size_t kStatusReply = 61;
    int GetStatus(uint8_t attempt, std::array<uint8_t, kStatusReply>& reply);

    static constexpr size_t kTouchPointsRequest = 7;
    static constexpr size_t kTouchPointsReply = 61;
    int touchPoints(const std::array<uint8_t, kTouchPointsRequest>& request,
                    std::array<uint8_t, kTouchPointsReply>& reply);

    // Reads length bytes of a camera's image memory. memoryFlag is cmd::kFlagFirst
    // (first image memory), cmd::kFlagLast (second) or 0.
    int GetPreviewData(Side side, uint8_t memoryFlag, uint16_t offset, uint16_t length,
                       uint8_t* data);

    // Firmware download streams; flags are cmd::kFlagFirst on the first packet of a
    // transfer and cmd::kFlagLast on the last. At most 62 bytes per packet.
    int streamA(Side side, uint8_t flags, const uint8_t* data, size_t length);
    int streamB(Side side, uint8_t flags, const uint8_t* data, size_t length);

    // The 3-byte key-state report (report ID 0x07); no command, no polling.
    static constexpr uint8_t kKeyReportId = 0x07;
    int readKeyState(uint8_t& byte1, uint8_t& byte2);

private:
    int send(uint8_t command, std::initializer_list<uint8_t> payload, uint8_t* reply = nullptr,
             size_t replyLength = 0);

    DeviceLink& link_;
};
