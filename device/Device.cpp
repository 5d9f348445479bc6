#include "Device.h"

namespace {
std::unique_ptr<Device>& slot()
{
    static std::unique_ptr<Device> device;
    return device;
}
} // namespace

Device& currentDevice()
{
    return *slot();
}

bool hasCurrentDevice()
{
    return slot() != nullptr;
}

void setCurrentDevice(std::unique_ptr<Device> device)
{
    slot() = std::move(device);
}

QString linkFailureText(Device& device)
{
    if (device.link.linkStatus == DeviceLink::kLinkHidFailed)
        return QStringLiteral("the frame stopped answering");
    if (device.link.replyTimedOut)
        return QStringLiteral("the frame did not answer in time");
    return QStringLiteral("the frame refused it");
}
