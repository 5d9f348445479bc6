#pragma once

#include "app/SettingsFile.h"

#include <QStringList>

// What the command line and the settings decide at start-up.
struct StartupOptions {
    int toolMode = 1;
    int subFunction = 0;
    int languageIndex = 0;
    int subVersion = 0;
    bool toolSwitchFound = false;
    bool languageSwitchFound = false;
};

// Matches the arguments (program name excluded) against the tool and language
// switches: case-sensitive whole arguments, the first tool switch and the first
// language switch win. Whatever the switches leave open comes from the settings file;
// a stored language outside the pack's range is reset to 0 and written back.
StartupOptions parseCommandLine(const QStringList& args, const SettingsFile& ini,
                                const SettingsFile& pack);

// The value of an option given as "--name=VALUE" or "--name VALUE"; empty when absent.
QString optionValue(const QStringList& args, const QString& name);

// Where the device is: "--device=WHERE" or "--device WHERE", else the environment variable
// VIRETO_DEVICE, else "hid" (the system's HID devices).
QString deviceOption(const QStringList& args);
