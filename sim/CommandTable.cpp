#include "sim/CommandTable.h"

#include "device/ByteOrder.h"

namespace sim {

uint16_t Payload::u16(size_t at) const
{
    const uint8_t* p = bytes(at, 2);
    return p ? le::u16(p) : 0;
}

uint32_t Payload::u24(size_t at) const
{
    const uint8_t* p = bytes(at, 3);
    return p ? le::u24(p) : 0;
}

const uint8_t* Payload::bytes(size_t at, size_t length) const
{
    return at <= kSize && length <= kSize - at ? bytes_ + at : nullptr;
}

void CommandTable::set(uint8_t command, CommandHandler handler)
{
    handlers_[command] = std::move(handler);
}

void CommandTable::set(cmd::Pair pair, const ModuleHandler& handler)
{
    for (Side side : {Side::Master, Side::Slave}) {
        set(pair.of(side), [handler, side](FrameState& state, const CommandRequest& request) {
            return handler(state, side, state.module(side), request);
        });
    }
}

CommandReply CommandTable::dispatch(FrameState& state, const CommandRequest& request) const
{
    const CommandHandler& handler = handlers_[request.command];
    return handler ? handler(state, request) : CommandReply::refused();
}

} // namespace sim
