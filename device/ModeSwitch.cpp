#include "device/ModeSwitch.h"

#include "app/AppContext.h"
#include "app/TextIds.h"
#include "device/ByteOrder.h"
#include "device/Delay.h"
#include "device/DeviceState.h"

namespace {

void show(ModeSwitchObserver* observer, int text)
{
    if (observer)
        observer->showText(text);
}

int sendMode(Device& device, uint8_t mode)
{
    const int ok = device.commands.switchMode(mode);
    g_isSwitchMode = ok;
    return ok;
}

int failedSwitch(Device& device)
{
    if (device.link.lastCallLostTheFrame())
        markDeviceLost();
    return 0;
}

} // namespace

int SwitchMode(Device& device, uint8_t mode, ModeSwitchObserver* observer)
{
    LogWriter& log = appContext().log;
    if (!g_bDevExist) {
        if (observer)
            observer->deviceNotDetected();
        return 0;
    }

    if (mode == CalibrationMode) {
        if (sendMode(device, mode))
            return 1;
        delay::wait(100.0);
        if (sendMode(device, mode))
            return 1;
        show(observer, kTextCheckConnection);
        log.logf("Switch to calibration mode failed! g_isSwitchMode=%d\n", g_isSwitchMode.load());
        return failedSwitch(device);
    }

    if (mode == ResetMode) {
        if (sendMode(device, mode))
            return 1;
        log.logf("Switch to cc failed! g_isSwitchMode=%d\n", g_isSwitchMode.load());
        return failedSwitch(device);
    }

    if (sendMode(device, mode))
        return 1;
    if (!g_isDeviceCommunicate)
        return 1;
    if (device.link.lastOutcome() == LinkOutcome::NoAnswer ||
        (mode != WorkMode && mode != SaveMode)) {
        log.logf("Switch to wrok mode failed! g_isSwitchMode=%d\n", g_isSwitchMode.load());
        return 0;
    }
    // The frame refused: it does so while it holds no sensor information, which is
    // harmless; with a valid block the refusal is a real failure.
    SensorBlock block{};
    if (!device.blocks.ReadCalibInfo(block)) {
        show(observer, kTextCheckConnection);
        log.logf("Switch to wrok mode failed! SwitchMode(ReadCalibInfo) g_isSwitchMode=%d\n",
                 g_isSwitchMode.load());
        return 0;
    }
    if (le::u32(block.data()) != flash_map::SENSORInfoFlag)
        return 1;
    show(observer, kTextCheckConnection);
    log.logf("Switch to wrok mode failed! SwitchMode(SENSORInfoFlag) g_isSwitchMode=%d\n",
             g_isSwitchMode.load());
    return 0;
}
