#include "maintenance/MaintenanceState.h"

std::atomic<int> g_UpdateProgress{0};
std::atomic<int> g_useSlave{0};
std::atomic<int> g_FpgaDownloadState{0};

void resetMaintenanceState()
{
    g_UpdateProgress = 0;
    g_useSlave = 0;
    g_FpgaDownloadState = 0;
}
