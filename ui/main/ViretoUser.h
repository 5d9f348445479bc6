#pragma once

#include "ui/calibration/CalibrationRunWindow.h"
#include "ui/main/UserEditionLogic.h"

#include <memory>

class DeviceJobQueue;
class DeviceMonitorThread;
class QLabel;
class VirtualScene;

// The user edition: a calibration-only main window that fills the touch screen and runs
// the calibration itself, with three buttons (calibration type, Reset, Return). Its
// device side is UserEditionLogic.
class ViretoUser : public CalibrationRunWindow, private UserEditionView {
    Q_OBJECT
public:
    // scene: the virtual frame's (its operator touches the targets), null for a real frame.
    explicit ViretoUser(Device& device, std::shared_ptr<VirtualScene> scene = {},
                        QWidget* parent = nullptr);
    ~ViretoUser() override;

    // For tests and screenshots.
    UserEditionLogic& logic() { return *logic_; }
    QString statusText() const;
    QString statusStyle() const;
    QString versionText() const;
    DeviceMonitorThread* monitor() const { return monitor_.get(); }

public slots:
    void recvShowData(int code);
    void recvData(int code);
    void CalTypeSlot() override;
    void ReturnSlot() override;
    void ResetSlot() override;
    void FindHidDevice();

private:
    // FullScreenWindow
    void leave() override;
    // CalibrationRunWindow
    const CalibrationRunLogic* shownRun() const override;
    // UserEditionView
    void showStatus(const QString& text, StatusTone tone) override;
    void setVersionText(const QString& text) override;
    void setTypeButtonEnabled(bool enabled) override;
    void setTypeCaption(int textIndex) override;
    void setResetEnabled(bool enabled) override;
    void repaintTargets() override;
    void warn(const QString& title, const QString& text) override;
    void stopMonitor() override;
    void runDeviceJob(std::function<int()> work, std::function<void(int)> done) override;
    void after(double ms, std::function<void()> then) override;
    void closeWindow() override;

    void layOut();

    Device& device_;
    std::shared_ptr<VirtualScene> scene_;
    std::unique_ptr<DeviceJobQueue> jobs_;
    std::unique_ptr<UserEditionLogic> logic_;
    double scale_ = 1.0;
    QLabel* title_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* version_ = nullptr;
    std::unique_ptr<DeviceMonitorThread> monitor_;
};
