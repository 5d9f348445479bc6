#include "maintenance/MaintenanceState.h"

ProcessValue<int> g_UpdateProgress{0};
ProcessValue<int> g_useSlave{0};
ProcessValue<int> g_FpgaDownloadState{0};

void resetMaintenanceState()
{
    resetToStart(g_UpdateProgress, g_useSlave, g_FpgaDownloadState);
}
