#pragma once

#include "app/ProcessValue.h"

// Process-wide values of the maintenance tools.

// Progress shown by the update window's progress bar (1, 8, 24, 32, 48, 80).
extern ProcessValue<int> g_UpdateProgress;
// The register panel's Slave box: panel accesses, the script commands srd, pwd, i2crd
// and i2cwd, and the flash erases of Erase Flash and Write Flash go to the Slave.
extern ProcessValue<int> g_useSlave;
// The FPGA download: 0 idle, 1 running, 3 the last chunk of the file has been read.
// Back to 0 when a download ends, however it ends.
extern ProcessValue<int> g_FpgaDownloadState;

// Puts every process-wide value of the maintenance tools back as at program start.
void resetMaintenanceState();
