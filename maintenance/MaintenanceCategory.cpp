#include "maintenance/MaintenanceCategory.h"

Q_LOGGING_CATEGORY(lcMaintenance, "vireto.maintenance", QtInfoMsg)
