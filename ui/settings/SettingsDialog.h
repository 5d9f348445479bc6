#pragma once

#include <QDialog>
#include <QPixmap>

#include <functional>
#include <vector>

class BandDrag;
class Button;
class DeviceJobQueue;
class Device;
class FocusRow;
class QButtonGroup;
class QLabel;
class QRadioButton;

// What the settings windows and the device-information dialog share: the frameless
// skinned window on "set/set.png" with its title, minimise and quit buttons, dragging
// by the top band, parts laid out in 1920-skin units, and device work through the job
// queue while the window shows it is busy and ignores presses.
class SettingsDialog : public QDialog {
    Q_OBJECT
public:
    SettingsDialog(Device& device, DeviceJobQueue& jobs, const QString& title, QWidget* parent);
    ~SettingsDialog() override;

    bool busy() const { return busy_ > 0; }
    QPoint dragOffset() const;

signals:
    void sendShowData(int code);

public slots:
    void MinimizeButSlot();

protected:
    // Runs work on the job queue; then done(result) here. Busy meanwhile.
    void runDeviceJob(std::function<int(Device&)> work, std::function<void(int)> done);
    // Opening: "Vireto.ini" brought up to date from the frame's record (calibration mode
    // for the read, work mode after); then(read) once done.
    void synchroniseFromFrame(std::function<void(bool read)> then);
    // A one-button box titled "warning".
    void warn(int textIndex);
    // A write to the frame that did not succeed: logged with its cause, then the
    // "Write failure" box. saveResult is a config_settings::SaveResult.
    void reportWriteFailure(int saveResult);

    QRect scaled(int x, int y, int w, int h) const;
    QLabel* addLabel(const QString& text, const QRect& designRect, bool heading = false);
    Button* addButton(int text, const QRect& designRect);
    QRadioButton* addRadio(const QString& text, const QRect& designRect, QButtonGroup* group,
                           int id);
    // Watches the mouse over every part (for the focus row and dragging by the top
    // band); call after the parts are made.
    void finishParts(const std::vector<Button*>& focusOrder);
    FocusRow* focusRow() const { return focus_; }

    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

    Device& device_;
    DeviceJobQueue& jobs_;

private:
    void setBusy(bool busy);

    double scale_ = 1.0;
    QPixmap background_;
    int busy_ = 0;
    BandDrag* drag_ = nullptr;
    FocusRow* focus_ = nullptr;
    std::vector<Button*> buttons_;
};
