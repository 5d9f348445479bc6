#include "sim/CommandHandlers.h"

namespace sim {

CommandTable applicationCommands()
{
    CommandTable table;
    addFlashCommands(table);
    addRegisterCommands(table);
    addModeCommands(table);
    addImagingCommands(table);
    addTouchCommands(table);
    addFirmwareCommands(table);
    return table;
}

} // namespace sim
