#include "CommandHandlers.h"

#include "ByteOrder.h"
#include "FrameCommands.h"

#include <algorithm>
#include <vector>

namespace sim {
namespace {

constexpr size_t kLastColumn = ModuleState::kLineWidth - 1;
constexpr size_t kLargestStartLine = 639;
constexpr size_t kSegmentTable = 5; // offset of the table in the optimum-line answer
constexpr size_t kExposureReply = 6;

bool isColumnRange(uint16_t first, uint16_t last)
{
    return first <= last && last <= kLastColumn;
}

// Memory flag 0x40 reads the second image memory; 0x80 and no flag read the first.
CommandReply previewData(FrameState& state, const CommandRequest& request)
{
    const uint16_t offset = request.payload.u16(0);
    const uint16_t length = request.payload.u16(2);
    if (length == 0 || length > ModuleState::kLineWidth ||
        offset + length > ModuleState::kImageMemorySize)
        return CommandReply::refused();
    const Side side = (request.command & 1) ? Side::Slave : Side::Master;
    const int memory =
        request.flags() == cmd::kFlagLast ? ModuleState::kSecondMemory : ModuleState::kFirstMemory;
    const std::vector<uint8_t>& image = state.module(side).imageMemory[static_cast<size_t>(memory)];
    return CommandReply::done(
        std::vector<uint8_t>(image.begin() + offset, image.begin() + offset + length));
}

// The search finds the bezel where it is, limited to the range it was given.
CommandReply searchStartline(FrameState& state, Side side, ModuleState&,
                             const CommandRequest& request)
{
    const uint16_t low = request.payload.u16(0);
    const uint16_t high = request.payload.u16(2);
    if (low > high)
        return CommandReply::refused();
    const uint16_t found = std::clamp(state.factory.of(side).startLine, low, high);
    std::vector<uint8_t> reply(2);
    le::put16(reply.data(), found);
    return CommandReply::done(std::move(reply));
}

CommandReply configStartline(FrameState&, Side, ModuleState& module, const CommandRequest& request)
{
    const uint16_t line = request.payload.u16(0);
    if (line > kLargestStartLine)
        return CommandReply::refused();
    module.optics.startLine = line;
    return CommandReply::done();
}

CommandReply optimalizeLine(FrameState& state, Side side, ModuleState& module,
                            const CommandRequest& request)
{
    if (!isColumnRange(request.payload.u16(0), request.payload.u16(2)))
        return CommandReply::refused();
    const OptimumLineTable& table = state.factory.of(side).optimumLines;
    module.optics.optimumLines = table;
    std::vector<uint8_t> reply(FrameCommands::kOptimalizeReply, 0);
    reply[0] = kStatusDone;
    uint8_t* p = reply.data() + kSegmentTable;
    for (const OptimumSegment& segment : table) {
        le::put16(p, segment.line);
        le::put16(p + 2, segment.startColumn);
        le::put16(p + 4, segment.endColumn);
        p += 6;
    }
    return CommandReply::done(std::move(reply));
}

CommandReply getExposure(FrameState& state, Side side, ModuleState& module,
                         const CommandRequest& request)
{
    if (!isColumnRange(request.payload.u16(0), request.payload.u16(2)))
        return CommandReply::refused();
    const ModuleOptics& factory = state.factory.of(side);
    module.optics.exposureTime = factory.exposureTime;
    module.optics.exposureGain = factory.exposureGain;
    std::vector<uint8_t> reply(kExposureReply, 0);
    reply[0] = factory.exposureTime;
    reply[1] = factory.exposureGain;
    return CommandReply::done(std::move(reply));
}

} // namespace

void addImagingCommands(CommandTable& table)
{
    for (Side side : {Side::Master, Side::Slave}) {
        const uint8_t base = cmd::kGetPreviewData.of(side);
        for (uint8_t flag : {uint8_t{0}, cmd::kFlagFirst, cmd::kFlagLast})
            table.set(static_cast<uint8_t>(base | flag), previewData);
    }
    table.set(cmd::kSearchStartline, searchStartline);
    table.set(cmd::kConfigStartline, configStartline);
    table.set(cmd::kOptimalizeLine, optimalizeLine);
    table.set(cmd::kGetExposure, getExposure);
}

} // namespace sim
