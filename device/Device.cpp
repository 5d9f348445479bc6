#include "device/Device.h"

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
    return QString::fromLatin1(failureText(device.link.lastOutcome()));
}
