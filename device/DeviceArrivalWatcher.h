#pragma once

#include <QObject>

class QSocketNotifier;
struct udev;
struct udev_monitor;

// Tells when a hidraw device is added or removed (the system's device-change
// notification): a window restarts a stopped presence monitor on it. Where udev is not
// available (a container, a system without it) the watcher is simply inactive.
class DeviceArrivalWatcher : public QObject {
    Q_OBJECT
public:
    explicit DeviceArrivalWatcher(QObject* parent = nullptr);
    ~DeviceArrivalWatcher() override;

    bool active() const { return monitor_ != nullptr; }

signals:
    void deviceChanged();

private:
    void receive();

    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
    QSocketNotifier* notifier_ = nullptr;
};
