#pragma once

#include <QString>

// The warning box that ends a refused start ("Touch Screen", one OK button). The text
// also goes to stderr so that a start from a terminal or a script says why it ended.
// VIRETO_BOX_TIMEOUT_MS closes the box by itself after that many milliseconds, for
// unattended runs.
void showStartupWarning(const QString& text);
