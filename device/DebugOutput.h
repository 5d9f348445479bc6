#pragma once

#include "app/LogWriter.h" // VIRETO_PRINTF

// Diagnostic lines that go to the debug output (Qt's message handler), not to the
// run's log file. QT_LOGGING_RULES="default.debug=false" silences them.
void debugPrintf(const char* fmt, ...) VIRETO_PRINTF(1, 2);
