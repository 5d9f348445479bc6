#pragma once

#include "ui/main/EditionFrame.h"
#include "ui/main/SingleEditionLogic.h"

#include <QPointer>

#include <memory>

class AdjustScreenWin;
class Button;
class DeviceJobQueue;
class DeviceMonitorThread;
class KeyCalibrationWin;
class SettingsDialog;
class VirtualScene;

// The single-function edition: once the frame is checked it opens one function at once
// (shortcut-key calibration, infrared pen settings, image-adjusting or the versions);
// its one button opens it again. The device side is SingleEditionLogic with the
// engineering window's MainWindowLogic.
class SingleVireto : public EditionFrame, private SingleEditionView {
    Q_OBJECT
public:
    explicit SingleVireto(Device& device, std::shared_ptr<VirtualScene> scene = {},
                          QWidget* parent = nullptr);
    ~SingleVireto() override;

    // For tests and screenshots.
    Button* functionButton() const { return function_; }
    DeviceMonitorThread* monitor() const { return monitor_.get(); }
    KeyCalibrationWin* keyCalibrationWin() const;
    SettingsDialog* setWin() const;
    AdjustScreenWin* adjustScreenWindow() const;
    const QString& lastAboutText() const { return lastAbout_; }
    // The texts of the boxes shown so far (firmware mismatch, no shortcut keys).
    const QStringList& warnings() const { return warnings_; }
    // A device step for a function is under way.
    bool opening() const { return opening_; }

public slots:
    void AdjustScreenButSlot();
    void AboutButSlot();
    void SetButSlot();
    void KeyCalibrationButSlot();
    void recvShowData(int code);
    void FindHidDevice();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // MainWindowView
    void showStatusText(int textIndex) override;
    void setMenuButtonsEnabled(bool enabled) override;
    void setUpdateButtonEnabled(bool) override {}
    void hideProgress() override {}
    void clearSelection() override;
    void continueFirmwareUpdate() override {}
    void stopPanelWorkers() override {}
    void runDeviceJob(std::function<int()> work, std::function<void(int)> done) override;
    // SingleEditionView
    void warn(const QString& title, const QString& text) override;
    void openFunction(int subFunction) override;
    void closeWindow() override;

    void openAfter(std::function<int()> steps, std::function<void(int)> open);
    // A function's window is open: the function does not open twice.
    bool functionOpen() const;

    Device& device_;
    std::shared_ptr<VirtualScene> scene_;
    std::unique_ptr<DeviceJobQueue> jobs_;
    MainWindowLogic main_;
    SingleEditionLogic single_;
    Button* function_ = nullptr;
    bool opening_ = false;
    bool closing_ = false;
    QString lastAbout_;
    QStringList warnings_;
    QPointer<KeyCalibrationWin> keyCalibrationWin_;
    QPointer<SettingsDialog> setWin_;
    QPointer<AdjustScreenWin> adjustScreen_;
    std::unique_ptr<DeviceMonitorThread> monitor_;
};
