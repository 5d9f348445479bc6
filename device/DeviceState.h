#pragma once

#include "app/ProcessValue.h"

#include <cstdint>

// Process-wide device flags, shared by the monitor, the windows and every worker.
extern ProcessValue<int> g_bDevExist;           // a frame is open and answering (initially 0)
extern ProcessValue<int> g_isDeviceCommunicate; // the frame is usable (initially 1)
extern ProcessValue<int> g_isSwitchMode;        // result of the last mode switch
extern ProcessValue<uint32_t> g_ErrorCode;      // error code of the last good GetStatus
extern ProcessValue<int> g_getStatusError;      // 1 when TestCommunication gave up

// A command saw the transport fail: the frame is gone until the monitor finds it again.
inline void markDeviceLost()
{
    g_bDevExist = 0;
    g_isDeviceCommunicate = 0;
}

// The text that says why the frame cannot be used: pulled out (kTextPulledOut) or not
// answering (kTextCheckConnection); 0 while it is there and answering.
int frameTroubleText();

// Every process-wide value of the device layer back to its value at program start:
// these flags and the presence monitor's state (used between independent runs, e.g.
// tests).
void resetDeviceState();
