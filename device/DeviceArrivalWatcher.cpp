#include "device/DeviceArrivalWatcher.h"

#include <QSocketNotifier>

#include <libudev.h>

DeviceArrivalWatcher::DeviceArrivalWatcher(QObject* parent) : QObject(parent)
{
    udev_ = udev_new();
    if (!udev_)
        return;
    monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
    if (!monitor_ ||
        udev_monitor_filter_add_match_subsystem_devtype(monitor_, "hidraw", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor_) < 0) {
        if (monitor_)
            udev_monitor_unref(monitor_);
        monitor_ = nullptr;
        return;
    }
    notifier_ = new QSocketNotifier(udev_monitor_get_fd(monitor_), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { receive(); });
}

DeviceArrivalWatcher::~DeviceArrivalWatcher()
{
    delete notifier_;
    if (monitor_)
        udev_monitor_unref(monitor_);
    if (udev_)
        udev_unref(udev_);
}

void DeviceArrivalWatcher::receive()
{
    udev_device* device = udev_monitor_receive_device(monitor_);
    if (!device)
        return;
    const char* action = udev_device_get_action(device);
    const bool change = action && (QByteArray(action) == "add" || QByteArray(action) == "remove");
    udev_device_unref(device);
    if (change)
        emit deviceChanged();
}
