#pragma once

#include "cli/CliSupport.h"

// vireto-cli test flash [...]: args without the word "flash".
int runFlashTest(const CliContext& context, QStringList args);
