#pragma once

#include "device/FrameCommands.h"

#include <QString>

#include <cstdint>
#include <vector>

// The 32-bit address word of register, flash and stream requests.
namespace address_word {

constexpr uint32_t kSpaceFpga = 0;   // FPGA port register
constexpr uint32_t kSpaceSensor = 1; // image-sensor register over I2C
constexpr uint32_t kSpaceFlash = 2;
constexpr uint32_t kSpaceStream = 3; // firmware download stream
constexpr uint32_t kSlaveBit = 1u << 28;

constexpr uint32_t make(uint32_t space, uint32_t address, Side side = Side::Master)
{
    return (address & 0xFFFFFF) | ((space & 3) << 24) | (side == Side::Slave ? kSlaveBit : 0);
}
constexpr uint32_t address(uint32_t word)
{
    return word & 0xFFFFFF;
}
constexpr uint32_t space(uint32_t word)
{
    return (word >> 24) & 3;
}
constexpr Side side(uint32_t word)
{
    return (word & kSlaveBit) ? Side::Slave : Side::Master;
}

} // namespace address_word

// What the Master/Slave access functions take: an address word, a byte count and, for
// writes, the data. The file-backed burst transfers also name a file.
struct RegisterRequest {
    uint32_t addressWord = 0;
    uint32_t length = 0;
    QString fileName;
    std::vector<uint8_t> data;
};

// The Master/Slave access functions of the panels, scripts and workflows. Each remembers
// the byte it last read or wrote, and clears the device flags when the transport failed.
class RegisterAccess {
public:
    // Largest transfers through the shared buffer and through the burst file buffers.
    static constexpr size_t kTransferBufferSize = 4096;
    static constexpr size_t kBurstReadMax = 640;
    static constexpr size_t kBurstWriteMax = 132;

    explicit RegisterAccess(FrameCommands& commands) : commands_(commands) {}

    FrameCommands& commands() { return commands_; }

    // Space and side from the address word; flash reads and writes of any length,
    // register transfers in pieces. readBlock puts the bytes into the shared transfer
    // buffer (and into out when given).
    int readBlock(const RegisterRequest& request, uint8_t* out = nullptr);
    int writeBlock(const RegisterRequest& request);
    // Flash erase of request.length sectors.
    int erase(const RegisterRequest& request);

    // Single-register forms of the panels and scripts.
    int sensorRead(const RegisterRequest& request, uint8_t& value);
    int sensorWrite(const RegisterRequest& request);
    int singleRead(const RegisterRequest& request, uint8_t& value);
    int portRead(const RegisterRequest& request, uint8_t& value);
    int portWrite(const RegisterRequest& request);

    // Firmware download streams (Master; address 0x4000 for A, 0x8000 for B).
    int streamAWrite(uint8_t flags, const uint8_t* data, size_t length);
    int streamBWrite(uint8_t flags, const uint8_t* data, size_t length);

    // File-backed bursts. BurstRead reads request.length bytes (at most 640) and writes
    // them to request.fileName: a new file when the name differs from the previous
    // call's, appended otherwise. BurstWrite takes request.length bytes (at most 132)
    // from byte fileOffset of the file and writes them with the writeBlock rules. Longer
    // lengths, missing files and files too short for the range are refused.
    int BurstRead(const RegisterRequest& request);
    int BurstWrite(const RegisterRequest& request, qint64 fileOffset = 0);
    // The next BurstRead creates its file anew, whatever its name (a new script run).
    void forgetBurstFile() { lastBurstFile_.clear(); }

    // FPGA register access of the workflows (emitters, capture start, pixel port).
    int MsgFPGAPortWriteReg(Side side, uint16_t reg, uint8_t value);
    int MsgFPGAPortReadReg(Side side, uint16_t reg, uint8_t& value);

    uint8_t lastRegisterValue() const { return lastValue_; }
    const uint8_t* transferBuffer() const { return transferBuffer_.data(); }
    // The reason of the last refused burst (empty after a success).
    const QString& lastError() const { return lastError_; }

private:
    int finish(int ok);
    // finish(); a successful access also keeps value as the last register value.
    int finishKeeping(int ok, uint8_t value);
    int refuse(const QString& why);

    FrameCommands& commands_;
    uint8_t lastValue_ = 0;
    std::vector<uint8_t> transferBuffer_ = std::vector<uint8_t>(kTransferBufferSize, 0);
    QString lastBurstFile_;
    QString lastError_;
};
