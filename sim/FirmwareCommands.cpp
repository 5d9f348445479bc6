#include "sim/CommandHandlers.h"

namespace sim {
namespace {

CommandReply jump(FrameState& state, const CommandRequest& request)
{
    const uint8_t target = request.payload.u8(0);
    if (target != cmd::kJumpBootLoader && target != cmd::kJumpApplication)
        return CommandReply::refused();
    state.lastJumpTarget = target;
    state.jumpRequested = true;
    return CommandReply::done();
}

CommandReply streamPacket(DownloadStream& stream, const CommandRequest& request)
{
    const uint8_t* data = request.payload.bytes(0, Payload::kSize);
    return stream.receive(request.flags(), data, Payload::kSize) ? CommandReply::done()
                                                                 : CommandReply::refused();
}

void addStream(CommandTable& table, cmd::Pair codes, DownloadStream ModuleState::*stream)
{
    for (Side side : {Side::Master, Side::Slave}) {
        for (uint8_t flags : {uint8_t{0}, cmd::kFlagFirst, cmd::kFlagLast,
                              static_cast<uint8_t>(cmd::kFlagFirst | cmd::kFlagLast)}) {
            table.set(static_cast<uint8_t>(codes.of(side) | flags),
                      [side, stream](FrameState& state, const CommandRequest& request) {
                          return streamPacket(state.module(side).*stream, request);
                      });
        }
    }
}

} // namespace

CommandTable bootLoaderCommands()
{
    CommandTable table;
    addFlashCommands(table);
    addFirmwareCommands(table);
    return table;
}

void addFirmwareCommands(CommandTable& table)
{
    table.set(cmd::kJump, jump);
    addStream(table, cmd::kStreamA, &ModuleState::streamA);
    addStream(table, cmd::kStreamB, &ModuleState::streamB);
}

} // namespace sim
