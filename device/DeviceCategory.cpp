#include "device/DeviceCategory.h"

Q_LOGGING_CATEGORY(lcDevice, "vireto.device", QtInfoMsg)
