#pragma once

#include "device/DeviceLink.h"
#include "device/FlashBlocks.h"
#include "device/FrameCommands.h"
#include "device/HidTransport.h"
#include "device/RegisterAccess.h"

#include <QString>

#include <memory>

// One frame connection with its protocol layers: the transport, the link state, the
// commands, the register access functions and the flash records.
class Device {
public:
    explicit Device(std::unique_ptr<HidTransport> transport)
        : transport_(std::move(transport)), link(*transport_), commands(link), access(commands),
          blocks(access)
    {
    }
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    HidTransport& transport() { return *transport_; }

private:
    std::unique_ptr<HidTransport> transport_;

public:
    DeviceLink link;
    FrameCommands commands;
    RegisterAccess access;
    FlashBlocks blocks;
};

// The process's frame connection, made at start-up from --device / VIRETO_DEVICE.
Device& currentDevice();
bool hasCurrentDevice();
void setCurrentDevice(std::unique_ptr<Device> device);

// Why the calling thread's last command on the device failed, for messages: the frame
// stopped answering, did not answer in time, refused it...
QString linkFailureText(Device& device);
