#pragma once

#include "device/Device.h"

#include <cstdint>

// Device accesses of the imaging workflows. A failure through a lost transport marks
// the frame gone (g_bDevExist and g_isDeviceCommunicate cleared), as every device
// function of the tool does.
namespace device_steps {

// ok, after looking at why it failed.
int checked(Device& device, int ok);

int I2CWrite(Device& device, Side side, uint8_t reg, uint8_t value);
int I2C_Read(Device& device, Side side, uint8_t reg, uint8_t& value);
// FPGA port registers through the Master/Slave access functions.
int portWrite(Device& device, Side side, uint16_t reg, uint8_t value);
int portRead(Device& device, Side side, uint16_t reg, uint8_t& value);
// The trigger command; success also marks the frame as communicating.
int trigger(Device& device);

} // namespace device_steps
