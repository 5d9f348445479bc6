#pragma once

#include <QObject>

class QLabel;
class QPushButton;
class QWidget;
class SettingsFile;

// The exposure of the settings windows: a read-only scale 1..6 between two arrows. An
// arrow waits half a second, then moves the scale (raising with the left arrow, lowering
// with the right one, never beyond 1..6) and stores it with its exposure time; presses
// during the wait are ignored.
class ExposureField : public QObject {
    Q_OBJECT
public:
    ExposureField(QWidget* parent, const QRect& left, const QRect& value, const QRect& right);

    void setScale(int scale);
    int scale() const { return scale_; }
    bool waiting() const { return waiting_; }
    // LeftIRSlot() / RightIRSlot().
    void step(int delta);

signals:
    void stepped(int scale);

private:
    QPushButton* left_;
    QLabel* value_;
    QPushButton* right_;
    int scale_ = 3;
    bool waiting_ = false;
};
