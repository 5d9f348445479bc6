#include "device/FrameCommands.h"

#include "device/ByteOrder.h"

#include <algorithm>
#include <cstring>
#include <vector>

int FrameCommands::send(uint8_t command, std::initializer_list<uint8_t> payload, uint8_t* reply,
                        size_t replyLength)
{
    return link_.Transact(command, payload.begin(), payload.size(), reply, replyLength);
}

int FrameCommands::FPGAPortWrite(Side side, uint16_t reg, uint8_t value)
{
    return send(cmd::kFPGAPortWrite.of(side),
                {static_cast<uint8_t>(reg), static_cast<uint8_t>(reg >> 8), 1, value});
}

int FrameCommands::BurstWrite(Side side, uint16_t reg, const uint8_t* data, size_t length)
{
    uint8_t payload[DeviceLink::kMaxPayload] = {};
    for (size_t done = 0; done < length; done += cmd::kPortWriteMax) {
        const size_t piece = std::min<size_t>(cmd::kPortWriteMax, length - done);
        le::put16(payload, reg);
        payload[2] = static_cast<uint8_t>(piece);
        std::memcpy(payload + 3, data + done, piece);
        if (!link_.Transact(cmd::kFPGAPortWrite.of(side), payload, piece + 3, nullptr, 0))
            return 0;
    }
    return 1;
}

int FrameCommands::FPGAPortRead(Side side, uint16_t reg, uint8_t& value)
{
    return send(cmd::kFPGAPortRead.of(side),
                {static_cast<uint8_t>(reg), static_cast<uint8_t>(reg >> 8), 1, 0}, &value, 1);
}

int FrameCommands::BurstRead(Side side, uint16_t reg, uint8_t* data, size_t length)
{
    for (size_t done = 0; done < length; done += cmd::kPortReadMax) {
        const size_t piece = std::min<size_t>(cmd::kPortReadMax, length - done);
        if (!send(cmd::kFPGAPortRead.of(side),
                  {static_cast<uint8_t>(reg), static_cast<uint8_t>(reg >> 8),
                   static_cast<uint8_t>(piece), 0},
                  data + done, piece)) {
            std::memset(data, 0xFF, length);
            return 0;
        }
    }
    return 1;
}

int FrameCommands::FPGASingleRead(Side side, uint16_t reg, uint8_t& value)
{
    return send(cmd::kFPGASingleRead.of(side),
                {static_cast<uint8_t>(reg), static_cast<uint8_t>(reg >> 8), 0, 0}, &value, 1);
}

int FrameCommands::I2CWrite(Side side, uint8_t reg, uint8_t value)
{
    return send(cmd::kI2CWrite.of(side), {reg, value});
}

int FrameCommands::I2C_Read(Side side, uint8_t reg, uint8_t& value)
{
    return send(cmd::kI2CRead.of(side), {reg}, &value, 1);
}

int FrameCommands::flashWrite(uint32_t address, const uint8_t* data, size_t length)
{
    uint8_t payload[DeviceLink::kMaxPayload] = {};
    for (size_t done = 0; done < length; done += cmd::kFlashWriteMax) {
        const size_t piece = std::min<size_t>(cmd::kFlashWriteMax, length - done);
        le::put24(payload, static_cast<uint32_t>(address + done));
        payload[3] = static_cast<uint8_t>(piece);
        std::memcpy(payload + 4, data + done, piece);
        if (!link_.Transact(cmd::kFlashWrite, payload, piece + 4, nullptr, 0))
            return 0;
    }
    return 1;
}

int FrameCommands::flashRead(uint32_t address, uint8_t* data, size_t length)
{
    for (size_t done = 0; done < length; done += cmd::kFlashReadMax) {
        const size_t piece = std::min<size_t>(cmd::kFlashReadMax, length - done);
        uint8_t payload[4];
        le::put24(payload, static_cast<uint32_t>(address + done));
        payload[3] = static_cast<uint8_t>(piece);
        if (!link_.Transact(cmd::kFlashRead, payload, 4, data + done, piece)) {
            std::memset(data, 0xFF, length);
            return 0;
        }
    }
    return 1;
}

int FrameCommands::flashErase(uint32_t address, uint8_t sectorCount)
{
    uint8_t payload[4];
    le::put24(payload, address);
    payload[3] = sectorCount;
    return link_.Transact(cmd::kFlashErase, payload, 4, nullptr, 0);
}

int FrameCommands::trigger()
{
    return send(cmd::kTrigger, {});
}

int FrameCommands::switchMode(uint8_t mode)
{
    return send(cmd::kSwitchMode, {mode});
}

int FrameCommands::jump(uint8_t target)
{
    return send(cmd::kJump, {target});
}

int FrameCommands::SearchStartline(Side side, uint16_t low, uint16_t high, uint16_t& startLine)
{
    uint8_t payload[4];
    le::put16(payload, low);
    le::put16(payload + 2, high);
    uint8_t reply[2];
    const int ok = link_.Transact(cmd::kSearchStartline.of(side), payload, 4, reply, 2);
    startLine = le::u16(reply); // 0xFFFF after a failure
    return ok;
}

int FrameCommands::ConfigStartline(Side side, uint16_t line)
{
    uint8_t payload[2];
    le::put16(payload, line);
    return link_.Transact(cmd::kConfigStartline.of(side), payload, 2, nullptr, 0);
}

int FrameCommands::OptimalizeLine(Side side, uint16_t startColumn, uint16_t endColumn,
                                  std::array<uint8_t, kOptimalizeReply>& reply)
{
    uint8_t payload[4];
    le::put16(payload, startColumn);
    le::put16(payload + 2, endColumn);
    if (link_.Transact(cmd::kOptimalizeLine.of(side), payload, 4, reply.data(), reply.size()) &&
        reply[0] == DeviceLink::kStatusDone)
        return 1;
    // The table the caller takes from bytes 5..52 reads as "no segments".
    reply.fill(0);
    std::fill(reply.begin() + 5, reply.begin() + 11, 0xFF);
    return 0;
}

int FrameCommands::GetExposure(Side side, uint16_t startColumn, uint16_t endColumn, uint8_t& time,
                               uint8_t& gain)
{
    uint8_t payload[4];
    le::put16(payload, startColumn);
    le::put16(payload + 2, endColumn);
    uint8_t reply[6];
    const int ok = link_.Transact(cmd::kGetExposure.of(side), payload, 4, reply, 6);
    time = reply[0];
    gain = reply[1];
    return ok;
}

int FrameCommands::GetStatus(uint8_t attempt, std::array<uint8_t, kStatusReply>& reply)
{
    return send(cmd::kGetStatus, {attempt}, reply.data(), reply.size());
}

int FrameCommands::touchPoints(const std::array<uint8_t, kTouchPointsRequest>& request,
                               std::array<uint8_t, kTouchPointsReply>& reply)
{
    return link_.Transact(cmd::kGetTouchPoints, request.data(), request.size(), reply.data(),
                          reply.size());
}

int FrameCommands::GetPreviewData(Side side, uint8_t memoryFlag, uint16_t offset, uint16_t length,
                                  uint8_t* data)
{
    uint8_t payload[4];
    le::put16(payload, offset);
    le::put16(payload + 2, length);
    return link_.Transact(static_cast<uint8_t>(memoryFlag + cmd::kGetPreviewData.of(side)), payload,
                          4, data, length);
}

int FrameCommands::streamA(Side side, uint8_t flags, const uint8_t* data, size_t length)
{
    if (length > cmd::kStreamMax)
        return 0;
    return link_.Transact(static_cast<uint8_t>(flags | cmd::kStreamA.of(side)), data, length,
                          nullptr, 0);
}

int FrameCommands::streamB(Side side, uint8_t flags, const uint8_t* data, size_t length)
{
    if (length > cmd::kStreamMax)
        return 0;
    return link_.Transact(static_cast<uint8_t>(flags | cmd::kStreamB.of(side)), data, length,
                          nullptr, 0);
}

int FrameCommands::readKeyState(uint8_t& byte1, uint8_t& byte2)
{
    uint8_t report[HidTransport::kKeyReportSize] = {};
    if (!link_.transport().getFeature3(kKeyReportId, report))
        return 0;
    byte1 = report[1];
    byte2 = report[2];
    return 1;
}
