#pragma once

#include "device/DeviceArrivalWatcher.h"
#include "device/PresenceMonitor.h"

#include <memory>

// Every edition's main window finds its frame the same way: it starts its edition's
// monitor, whose codes reach the window's recvShowData(int) queued, and the system's
// device-change notice reaches its FindHidDevice(), which starts a stopped monitor
// again. The watcher belongs to the window; the window owns the monitor returned.
template <typename Monitor, typename Window>
std::unique_ptr<DeviceMonitorThread> watchForFrame(Window& window, Device& device)
{
    auto monitor = std::make_unique<Monitor>(device);
    QObject::connect(monitor.get(), &DeviceMonitorThread::sendShowData, &window,
                     &Window::recvShowData, Qt::QueuedConnection);
    auto* arrival = new DeviceArrivalWatcher(&window);
    QObject::connect(arrival, &DeviceArrivalWatcher::deviceChanged, &window,
                     &Window::FindHidDevice);
    monitor->startMonitor();
    return monitor;
}
