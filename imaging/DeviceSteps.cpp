#include "imaging/DeviceSteps.h"

#include "device/DeviceState.h"

namespace device_steps {

int checked(Device& device, int ok)
{
    if (!ok && device.link.lastCallLostTheFrame())
        markDeviceLost();
    return ok;
}

int I2CWrite(Device& device, Side side, uint8_t reg, uint8_t value)
{
    return checked(device, device.commands.I2CWrite(side, reg, value));
}

int I2C_Read(Device& device, Side side, uint8_t reg, uint8_t& value)
{
    return checked(device, device.commands.I2C_Read(side, reg, value));
}

int portWrite(Device& device, Side side, uint16_t reg, uint8_t value)
{
    return device.access.MsgFPGAPortWriteReg(side, reg, value);
}

int portRead(Device& device, Side side, uint16_t reg, uint8_t& value)
{
    return device.access.MsgFPGAPortReadReg(side, reg, value);
}

int trigger(Device& device)
{
    const int ok = checked(device, device.commands.trigger());
    if (ok)
        g_isDeviceCommunicate = 1;
    return ok;
}

} // namespace device_steps
