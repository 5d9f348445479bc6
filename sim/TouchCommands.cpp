#include "sim/CommandHandlers.h"

#include "device/TouchPoints.h"

#include <vector>

namespace sim {
namespace {

// The shadows the cameras see now, from the touch model (no finger, no operator: no
// candidates).
CommandReply touchPoints(FrameState& state, const CommandRequest& request)
{
    const uint8_t* query = request.payload.bytes(0, FrameCommands::kTouchPointsRequest);
    if (!query)
        return CommandReply::refused();
    return CommandReply::done(state.touchModel.answer(query, state.triggers));
}

} // namespace

void addTouchCommands(CommandTable& table)
{
    table.set(cmd::kGetTouchPoints, touchPoints);
}

} // namespace sim
