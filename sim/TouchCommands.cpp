#include "CommandHandlers.h"

#include "TouchPoints.h"

#include <vector>

namespace sim {
namespace {

// No finger is on the screen until a touch model exists.
CommandReply touchPoints(FrameState&, const CommandRequest&)
{
    std::vector<uint8_t> reply(FrameCommands::kTouchPointsReply);
    encodeCandidateReport(CandidateReport{}, reply.data());
    return CommandReply::done(std::move(reply));
}

} // namespace

void addTouchCommands(CommandTable& table)
{
    table.set(cmd::kGetTouchPoints, touchPoints);
}

} // namespace sim
