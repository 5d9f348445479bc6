#pragma once

#include <QLoggingCategory>

// Diagnostics of calibration/ on the debug output (never in the run's log file). Off unless
// asked for: QT_LOGGING_RULES="vireto.calibration.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcCalibration)
