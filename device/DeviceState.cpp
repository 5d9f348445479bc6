#include "device/DeviceState.h"

#include "device/PresenceMonitor.h"

std::atomic<int> g_bDevExist{0};
std::atomic<int> g_isDeviceCommunicate{1};
std::atomic<int> g_isSwitchMode{0};
std::atomic<uint32_t> g_ErrorCode{0};
std::atomic<int> g_getStatusError{0};

void resetDeviceState()
{
    g_bDevExist = 0;
    g_isDeviceCommunicate = 1;
    g_isSwitchMode = 0;
    g_ErrorCode = 0;
    g_getStatusError = 0;
    checkState = FIRST_OPEN_TOOL;
    openResult = 0;
    retryCount = 0;
    updatePending = 0;
    bootLoaderSeen = 0;
}
