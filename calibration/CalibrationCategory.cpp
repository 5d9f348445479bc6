#include "calibration/CalibrationCategory.h"

Q_LOGGING_CATEGORY(lcCalibration, "vireto.calibration", QtInfoMsg)
