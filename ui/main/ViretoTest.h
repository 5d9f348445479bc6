#pragma once

#include "ui/main/EditionFrame.h"
#include "ui/main/FactoryTestLogic.h"

#include <memory>

class Button;
class DeviceJobQueue;
class DeviceMonitorThread;
class QCheckBox;
class QRadioButton;

// The factory test edition: a test station that runs the flash test or the image or
// sensor endurance test until it is stopped or finds a difference. Its texts are its
// own (Chinese, in every language). The tests' side is FactoryTestLogic.
class ViretoTest : public EditionFrame, private FactoryTestView {
    Q_OBJECT
public:
    explicit ViretoTest(Device& device, QWidget* parent = nullptr);
    ~ViretoTest() override;

    // For tests and screenshots.
    FactoryTestLogic& logic() { return logic_; }
    Button* startButton() const { return start_; }
    Button* stopButton() const { return stop_; }
    QRadioButton* testChoice(FactoryTestChoice::Test test) const;
    QRadioButton* skipPartsChoice() const { return skipParts_; }
    QCheckBox* exposurePart() const { return exposure_; }
    QCheckBox* columnsPart() const { return columns_; }
    QCheckBox* linesPart() const { return lines_; }
    DeviceMonitorThread* monitor() const { return monitor_.get(); }
    FactoryTestChoice choice() const;

public slots:
    void recvShowData(int code);
    void StartTestSlot();
    void CloseTestSlot();
    void FindHidDevice();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // FactoryTestView
    void showStatus(const QString& text) override;
    void setStartEnabled(bool enabled) override;
    void setStopEnabled(bool enabled) override;
    void setOptionsEnabled(bool enabled) override;

    void refreshFlashOptions();

    Device& device_;
    FactoryTestLogic logic_;
    std::unique_ptr<DeviceJobQueue> jobs_;
    Button* start_ = nullptr;
    Button* stop_ = nullptr;
    QRadioButton* flashTest_ = nullptr;
    QRadioButton* imageTest_ = nullptr;
    QRadioButton* sensorTest_ = nullptr;
    QRadioButton* compareAll_ = nullptr;
    QRadioButton* skipParts_ = nullptr;
    QCheckBox* exposure_ = nullptr;
    QCheckBox* columns_ = nullptr;
    QCheckBox* lines_ = nullptr;
    bool optionsEnabled_ = true;
    std::unique_ptr<DeviceMonitorThread> monitor_;
};
