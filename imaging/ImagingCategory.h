#pragma once

#include <QLoggingCategory>

// Diagnostics of imaging/ on the debug output (never in the run's log file). Off unless
// asked for: QT_LOGGING_RULES="vireto.imaging.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcImaging)
