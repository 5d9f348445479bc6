#include "device/StatusCheck.h"

#include "app/AppContext.h"
#include "device/ByteOrder.h"
#include "device/Delay.h"
#include "device/DeviceState.h"

namespace {

// Waits in slices so that a stop request is noticed within 100 ms.
bool waitUnlessStopped(double ms, const std::atomic<int>* stop)
{
    while (ms > 0.0) {
        if (stop && *stop)
            return false;
        const double slice = ms < 100.0 ? ms : 100.0;
        delay::wait(slice);
        ms -= slice;
    }
    return !(stop && *stop);
}

} // namespace

int readFrameStatus(Device& device, uint8_t attempt, FrameStatus& status)
{
    std::array<uint8_t, FrameCommands::kStatusReply> reply{};
    const int ok = device.commands.GetStatus(attempt, reply);
    status.modeCode = reply[1];
    status.errorCode = le::u32(reply.data() + 2);
    return ok;
}

int TestCommunication(Device& device, const std::atomic<int>* stop)
{
    LogWriter& log = appContext().log;
    if (!waitUnlessStopped(1000.0, stop))
        return 0;
    for (uint8_t attempt = 1; attempt <= 5; ++attempt) {
        const double before = attempt == 1 ? 2000.0 : attempt == 2 ? 5000.0 : 3000.0;
        if (!waitUnlessStopped(before, stop))
            return 0;
        FrameStatus status;
        if (readFrameStatus(device, attempt, status)) {
            g_ErrorCode = status.errorCode;
            log.logf("TestCommunication! Current mode code = 0x%x!\n", status.modeCode);
            log.logf("TestCommunication! g_ErrorCode = 0x%x\n", status.errorCode);
            g_getStatusError = 0;
            return 1;
        }
    }
    if (!waitUnlessStopped(3000.0, stop))
        return 0;
    g_getStatusError = 1;
    log.logf("TestCommunication! g_getStatusError=%d\n", g_getStatusError.load());
    return 0;
}
