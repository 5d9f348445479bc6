#pragma once

#include "sim/CommandTable.h"

namespace sim {

// The command groups of the application firmware, each added to a dispatcher.
void addFlashCommands(CommandTable& table);
void addRegisterCommands(CommandTable& table);
void addModeCommands(CommandTable& table);
void addImagingCommands(CommandTable& table);
void addTouchCommands(CommandTable& table);
void addFirmwareCommands(CommandTable& table);

// Every command the application firmware answers.
CommandTable applicationCommands();
// What the boot loader answers: flash, the download streams and the jumps.
CommandTable bootLoaderCommands();

} // namespace sim
