#pragma once

#include "cli/CliSupport.h"

#include <string>
#include <vector>

// The subcommands by their word, and one run by its word (exit 2 for an unknown one).
std::vector<std::string> subcommandNames();
int runSubcommand(const std::string& name, const CliContext& context);

// The subcommands of vireto-cli. Each returns the process exit code.
int runStatus(const CliContext& context);
int runMode(const CliContext& context);
int runFlash(const CliContext& context);
int runRegister(const CliContext& context);
int runMonitor(const CliContext& context);
int runConfig(const CliContext& context);
int runDevInfo(const CliContext& context);
int runFirmware(const CliContext& context);
int runLevel(const CliContext& context);
int runFindColumn(const CliContext& context);
int runImage(const CliContext& context);
int runTest(const CliContext& context);
int runCalibrate(const CliContext& context);
int runCalib(const CliContext& context);
int runKeys(const CliContext& context);
int runFpga(const CliContext& context);
int runScript(const CliContext& context);
