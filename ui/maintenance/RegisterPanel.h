#pragma once

#include "ui/widgets/EngineeringPanel.h"

#include <functional>
#include <memory>

class Button;
class Device;
class QCheckBox;
class QLineEdit;
namespace register_panel {
struct Result;
}

// The register access fields (address, value, Sensor and Slave boxes) with Write and
// Read, and GetStatus, which asks the frame for its status and error code. The window
// checks the frame between the buttons and the access. One access at a time: while it
// waits (for the end of a preview frame, or for its device job) Write and Read wait.
class RegisterPanel : public EngineeringPanel {
    Q_OBJECT
public:
    // Hands an access to the raw preview's worker while a preview runs (false: none
    // runs, the panel runs the access itself).
    using Deferrer = std::function<bool(std::function<int()>)>;

    RegisterPanel(QWidget* parent, const QRect& designRect, double scale, Device& device,
                  Deferrer defer);

    // Write (true) or Read of the fields; false when the fields do not make an access
    // (the reason went to the status line and the log area) or one is pending.
    bool startAccess(bool write);
    bool accessPending() const { return pending_ != nullptr; }
    // The Slave box into the use-Slave flag (SlaveCButSlot()).
    void applySlaveBox();
    QLineEdit* addressField() const { return address_; }
    QLineEdit* valueField() const { return value_; }
    QCheckBox* sensorBox() const { return sensor_; }
    QCheckBox* slaveBox() const { return slave_; }

signals:
    void writeRequested();
    void readRequested();
    void slaveToggled();
    void getStatusRequested();
    void logLine(const QString& line);
    // Empty after a success: the window's own status text again.
    void statusMessage(const QString& message);

public slots:
    // The code of an access, from the preview worker or the panel's own device job.
    void accessReported(int code);
    // The preview stopped: an access it never ran is given up.
    void previewEnded();

protected:
    bool busy(const Button* button) const override;

private:
    Device& device_;
    Deferrer defer_;
    QLineEdit* address_ = nullptr;
    QLineEdit* value_ = nullptr;
    QCheckBox* sensor_ = nullptr;
    QCheckBox* slave_ = nullptr;
    Button* write_ = nullptr;
    Button* read_ = nullptr;
    std::shared_ptr<register_panel::Result> pending_;
    bool deferred_ = false; // the pending access waits on the preview worker
};
