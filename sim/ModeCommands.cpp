#include "sim/CommandHandlers.h"

#include "device/ByteOrder.h"

#include <vector>

namespace sim {
namespace {

constexpr size_t kStatusReply = 61;

// Touch processing needs the optical settings of the sensor information block, so a
// frame without one stays out of work mode and cannot store settings either.
CommandReply switchMode(FrameState& state, const CommandRequest& request)
{
    switch (request.payload.u8(0)) {
    case CalibrationMode:
        state.mode = CalibrationMode;
        return CommandReply::done();
    case WorkMode:
        if (!state.hasSensorInformation())
            return CommandReply::refused();
        state.mode = WorkMode;
        return CommandReply::done();
    case SaveMode:
        if (!state.hasSensorInformation())
            return CommandReply::refused();
        state.storeOptics();
        return CommandReply::done();
    case ResetMode:
        state.mode = WorkMode;
        return CommandReply::done();
    default:
        return CommandReply::refused();
    }
}

CommandReply getStatus(FrameState& state, const CommandRequest& request)
{
    std::vector<uint8_t> reply(kStatusReply, 0);
    reply[0] = request.payload.u8(0); // the attempt number, so that answers can be told apart
    reply[1] = state.mode;
    le::put32(reply.data() + 2, state.errorCode);
    return CommandReply::done(std::move(reply));
}

CommandReply trigger(FrameState& state, const CommandRequest&)
{
    ++state.triggers;
    return CommandReply::done();
}

} // namespace

void addModeCommands(CommandTable& table)
{
    table.set(cmd::kSwitchMode, switchMode);
    table.set(cmd::kGetStatus, getStatus);
    table.set(cmd::kTrigger, trigger);
}

} // namespace sim
