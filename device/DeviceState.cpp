#include "device/DeviceState.h"

#include "app/TextIds.h"
#include "device/PresenceMonitor.h"

ProcessValue<int> g_bDevExist{0};
ProcessValue<int> g_isDeviceCommunicate{1};
ProcessValue<int> g_isSwitchMode{0};
ProcessValue<uint32_t> g_ErrorCode{0};
ProcessValue<int> g_getStatusError{0};

int frameTroubleText()
{
    if (!g_bDevExist)
        return kTextPulledOut;
    if (!g_isDeviceCommunicate)
        return kTextCheckConnection;
    return 0;
}

void resetDeviceState()
{
    resetToStart(g_bDevExist, g_isDeviceCommunicate, g_isSwitchMode, g_ErrorCode, g_getStatusError);
    resetToStart(checkState, openResult, retryCount, updatePending, bootLoaderSeen);
}
