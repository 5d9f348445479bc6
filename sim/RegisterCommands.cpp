#include "sim/CommandHandlers.h"

#include <vector>

namespace sim {
namespace {

constexpr size_t kRegister = 0;
constexpr size_t kLength = 2;
constexpr size_t kData = 3;
constexpr size_t kSensorValue = 1;

// The port moves every byte into the one register; the register keeps the last one.
// Starting a capture takes the picture at once, so the register reads 0 again. Writing
// the pixel port's address latches that pixel of the last picture. A stuck register
// ignores what is written to it.
CommandReply portWrite(FrameState& state, Side side, ModuleState& module,
                       const CommandRequest& request)
{
    const uint16_t reg = request.payload.u16(kRegister);
    const uint8_t n = request.payload.u8(kLength);
    const uint8_t* data = request.payload.bytes(kData, n);
    if (n == 0 || n > cmd::kPortWriteMax || !data)
        return CommandReply::refused();
    module.registers.logPortWrite(reg, data, n);
    if (state.opticsModel.fpgaWriteIgnored(side, reg))
        return CommandReply::done();
    const uint8_t value = data[n - 1];
    if (reg == ModuleRegisters::kCaptureStart && value != 0) {
        state.opticsModel.takePicture(state, side, true);
        module.registers.setFpga(reg, 0);
    } else {
        module.registers.setFpga(reg, value);
    }
    if (reg == optics::kPixelAddressLow || reg == optics::kPixelAddressHigh)
        state.opticsModel.latchPixel(state, side);
    return CommandReply::done();
}

CommandReply portRead(FrameState&, Side, ModuleState& module, const CommandRequest& request)
{
    const uint16_t reg = request.payload.u16(kRegister);
    const uint8_t n = request.payload.u8(kLength);
    if (n == 0 || n > cmd::kPortReadMax)
        return CommandReply::refused();
    return CommandReply::done(std::vector<uint8_t>(n, module.registers.fpga(reg)));
}

CommandReply singleRead(FrameState&, Side, ModuleState& module, const CommandRequest& request)
{
    return CommandReply::done({module.registers.fpga(request.payload.u16(kRegister))});
}

CommandReply sensorWrite(FrameState&, Side, ModuleState& module, const CommandRequest& request)
{
    module.registers.writeSensor(request.payload.u8(kRegister), request.payload.u8(kSensorValue));
    return CommandReply::done();
}

CommandReply sensorRead(FrameState& state, Side side, ModuleState&, const CommandRequest& request)
{
    return CommandReply::done(
        {state.opticsModel.sensorRead(state, side, request.payload.u8(kRegister))});
}

} // namespace

void addRegisterCommands(CommandTable& table)
{
    table.set(cmd::kFPGAPortWrite, portWrite);
    table.set(cmd::kFPGAPortRead, portRead);
    table.set(cmd::kFPGASingleRead, singleRead);
    table.set(cmd::kI2CWrite, sensorWrite);
    table.set(cmd::kI2CRead, sensorRead);
}

} // namespace sim
