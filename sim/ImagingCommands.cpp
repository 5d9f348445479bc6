#include "sim/CommandHandlers.h"

#include "codec/ByteOrder.h"
#include "device/FrameCommands.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace sim {
namespace {

constexpr size_t kLastColumn = ModuleState::kLineWidth - 1;
constexpr size_t kLargestStartLine = 639;
constexpr size_t kSegmentTable = 5; // offset of the table in the optimum-line answer
constexpr size_t kExposureReply = 6;

struct ColumnRange {
    uint16_t first = 0;
    uint16_t last = 0;
};

// The first and last column a request names; none when they are no range of the line.
std::optional<ColumnRange> columnRangeOf(const CommandRequest& request)
{
    const uint16_t first = request.payload.u16(0);
    const uint16_t last = request.payload.u16(2);
    if (first > last || last > kLastColumn)
        return std::nullopt;
    return ColumnRange{first, last};
}

// Memory flag 0x40 reads the second image memory; 0x80 and no flag read the first. The
// module keeps capturing while it is read: a reader that starts over at the first byte
// of the first memory gets a new picture.
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
    if (memory == ModuleState::kFirstMemory && offset == 0 && !state.opticsModel.picturesHeld())
        state.opticsModel.takePicture(state, side, false);
    const std::vector<uint8_t>& image = state.module(side).imageMemory[static_cast<size_t>(memory)];
    return CommandReply::done(
        std::vector<uint8_t>(image.begin() + offset, image.begin() + offset + length));
}

// The search looks for the bezel band within the rows it was given; the frame answers
// 0xFFFF when the band is not there.
CommandReply searchStartline(FrameState& state, Side side, ModuleState&,
                             const CommandRequest& request)
{
    const uint16_t low = request.payload.u16(0);
    const uint16_t high = request.payload.u16(2);
    if (low > high)
        return CommandReply::refused();
    std::vector<uint8_t> reply(2);
    le::put16(reply.data(), state.opticsModel.searchStartLine(side, low, high));
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

// The table follows the band in the module's current line window, over eight equal
// stretches of the requested columns; the module keeps the columns as its usable range.
CommandReply optimalizeLine(FrameState& state, Side side, ModuleState& module,
                            const CommandRequest& request)
{
    const std::optional<ColumnRange> columns = columnRangeOf(request);
    if (!columns)
        return CommandReply::refused();
    const auto [first, last] = *columns;
    const OptimumLineTable table =
        state.opticsModel.optimumLines(side, module.optics.startLine, first, last);
    module.optics.optimumLines = table;
    module.optics.startColumn = first;
    module.optics.endColumn = last;
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

// The exposure is measured over the columns the tool found usable, so the module takes
// the last one as its end column.
CommandReply getExposure(FrameState& state, Side side, ModuleState& module,
                         const CommandRequest& request)
{
    const std::optional<ColumnRange> columns = columnRangeOf(request);
    if (!columns)
        return CommandReply::refused();
    const auto [first, last] = *columns;
    uint8_t time = 0;
    uint8_t gain = 0;
    state.opticsModel.exposure(side, first, last, time, gain);
    module.optics.exposureTime = time;
    module.optics.exposureGain = gain;
    module.optics.endColumn = last;
    std::vector<uint8_t> reply(kExposureReply, 0);
    reply[0] = time;
    reply[1] = gain;
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
