#pragma once

#include <QLoggingCategory>

// Diagnostics of maintenance/ on the debug output (never in the run's log file). Off unless
// asked for: QT_LOGGING_RULES="vireto.maintenance.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcMaintenance)
