#include "sim/CommandHandlers.h"

#include <vector>

namespace sim {
namespace {

constexpr size_t kAddress = 0;
constexpr size_t kLength = 3;
constexpr size_t kData = 4;

// A write that is answered "done" although one byte kept its old contents, as when a
// flash cell fails to program. Only a byte that programming would change can show it.
bool programWithStuckByte(FlashMemory& flash, uint32_t address, const uint8_t* data, size_t n)
{
    const uint8_t* old = flash.bytes() + address;
    for (size_t i = 0; i < n; ++i) {
        if ((old[i] & data[i]) == old[i])
            continue;
        std::vector<uint8_t> programmed(data, data + n);
        programmed[i] = 0xFF;
        flash.program(address, programmed.data(), n);
        return true;
    }
    flash.program(address, data, n);
    return false;
}

CommandReply flashWrite(FrameState& state, const CommandRequest& request)
{
    const uint32_t address = request.payload.u24(kAddress);
    const uint8_t n = request.payload.u8(kLength);
    const uint8_t* data = request.payload.bytes(kData, n);
    if (n == 0 || n > cmd::kFlashWriteMax || !data || !FlashMemory::inRange(address, n))
        return CommandReply::refused();
    switch (state.faults.flashWriteFault()) {
    case FlashWriteFault::Refuse:
        state.faults.flashWriteFaultUsed();
        return CommandReply::refused();
    case FlashWriteFault::Corrupt:
        if (programWithStuckByte(*state.flash, address, data, n))
            state.faults.flashWriteFaultUsed();
        return CommandReply::done();
    case FlashWriteFault::None:
        break;
    }
    state.flash->program(address, data, n);
    return CommandReply::done();
}

CommandReply flashRead(FrameState& state, const CommandRequest& request)
{
    const uint32_t address = request.payload.u24(kAddress);
    const uint8_t n = request.payload.u8(kLength);
    if (n == 0 || n > cmd::kFlashReadMax || !FlashMemory::inRange(address, n))
        return CommandReply::refused();
    std::vector<uint8_t> data(n);
    state.flash->read(address, data.data(), n);
    return CommandReply::done(std::move(data));
}

// The erase starts at the sector holding the address.
CommandReply flashErase(FrameState& state, const CommandRequest& request)
{
    const uint32_t address = request.payload.u24(kAddress);
    const uint8_t count = request.payload.u8(kLength);
    if (count == 0 || address >= FlashMemory::kSize)
        return CommandReply::refused();
    return state.flash->eraseSectors(address / FlashMemory::kSectorSize, count)
               ? CommandReply::done()
               : CommandReply::refused();
}

} // namespace

void addFlashCommands(CommandTable& table)
{
    table.set(cmd::kFlashWrite, flashWrite);
    table.set(cmd::kFlashRead, flashRead);
    table.set(cmd::kFlashErase, flashErase);
}

} // namespace sim
