#pragma once

#include "calibration/CalibrationCheckThread.h"
#include "calibration/StoredRecord.h"
#include "ui/widgets/FullScreenWindow.h"

class Button;
class DeviceJobQueue;
class QLabel;
class VirtualScene;

// The check on screen, after a calibration: crosses at random places, one after the
// other, full screen on the touch screen. Each touch is located with the record stored
// in the frame; the window shows how far from its cross each one landed, and at the end
// the mean and the largest distance in pixels. On the virtual frame its operator
// touches the crosses, and the floor the sensor's rounding leaves is shown beside.
class CalibrationCheckWin : public FullScreenWindow {
    Q_OBJECT
public:
    static constexpr int kCrosses = 9;

    CalibrationCheckWin(Device& device, DeviceJobQueue& jobs, VirtualScene* scene, QScreen* screen,
                        QWidget* parent = nullptr);
    ~CalibrationCheckWin() override;

    // For tests: the crosses come from this seed (default: the clock).
    void setSeed(uint32_t seed) { seed_ = seed; }
    QString messageText() const;
    QString resultText() const;
    bool finished() const { return finished_; }
    accuracy_check::Figures figures() const;
    bool busy() const { return busy_; }

signals:
    void sendShowData(int code);

public slots:
    void ReturnSlot();
    void recvData(int code);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void leave() override { ReturnSlot(); }
    void opened(const stored_record::StoredCalibration& stored);
    void showResult();
    void drawCross(QPainter& painter, const QPointF& at, int arm, const QColor& color);

    Device& device_;
    DeviceJobQueue& jobs_;
    VirtualScene* scene_;
    CalibrationCheckThread worker_;
    uint32_t seed_;
    double scale_ = 1.0;
    bool busy_ = true;
    bool finished_ = false;
    bool leaving_ = false;
    QLabel* message_ = nullptr;
    QLabel* result_ = nullptr;
    Button* exitButton_ = nullptr;
};
